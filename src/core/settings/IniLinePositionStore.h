#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/LinePositionStore.h"
#include "platform/TextCodec.h"
#include "settings/SettingsEncoding.h"

namespace kiv {

// A settings file larger than this is refused with the read error rather than loaded, and so is
// one whose save could come out larger (CR LF line ends and the longest value can make a file
// grow): a file that reads can always be saved.
inline constexpr std::size_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

// The line position in "KIV.ini" of the settings folder, section "Line", key "Count". Read and
// save error texts reach the caller as KivError; a file that fails to read is never written, and a
// save that fails leaves the file as it was.
class IniLinePositionStore : public LinePositionStore {
 public:
  IniLinePositionStore(FileSystem& fs, TextCodec& codec) : fs_(fs), codec_(codec) {}

  // Never creates or writes the file, and builds no model of it: the text is all it holds.
  std::int32_t Read() override;
  // Reads the file again, so that what others added since is kept, and replaces it whole.
  void Save(std::int32_t position) override;

 private:
  // The file's text and encoding; no text in the ANSI code page when there is no file.
  DecodedSettingsText Load(const std::u16string& path);

  FileSystem& fs_;
  TextCodec& codec_;
};

}  // namespace kiv
