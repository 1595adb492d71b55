#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/LinePositionStore.h"
#include "platform/TextCodec.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"

namespace kiv {

// A settings file larger than this is refused with the read error rather than loaded, and the
// save refuses to make one with the write error.
inline constexpr std::size_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

// The line position in "KIV.ini" of the settings folder, section "Line", key "Count". Read and
// save error texts reach the caller as KivError; a file that fails to read is never written.
class IniLinePositionStore : public LinePositionStore {
 public:
  IniLinePositionStore(FileSystem& fs, TextCodec& codec) : fs_(fs), codec_(codec) {}

  // Never creates or writes the file.
  std::int32_t Read() override;
  // Reads the file again, so that what others added since is kept, and writes it whole.
  void Save(std::int32_t position) override;

 private:
  struct Contents {
    SettingsFile file;
    SettingsEncoding encoding;
  };

  // The file's model and encoding; an empty model in the ANSI code page when there is no file.
  Contents Load(const std::u16string& path);

  FileSystem& fs_;
  TextCodec& codec_;
};

}  // namespace kiv
