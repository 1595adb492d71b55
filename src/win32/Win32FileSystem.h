#pragma once

#include "platform/FileSystem.h"

namespace kiv::win32 {

// Folders and files through kernel32 and shell32, with the sharing the settings file needs.
class Win32FileSystem : public FileSystem {
 public:
  std::u16string AppDataFolder() override;
  bool DirectoryExists(const std::u16string& path) override;
  void MakeDirectory(const std::u16string& path) override;
  FileLookup FindFile(const std::u16string& path) override;
  std::optional<FileError> ReadWholeFile(const std::u16string& path, std::size_t maxBytes,
                                         std::vector<std::uint8_t>& contents) override;
  std::optional<FileError> ReplaceWholeFile(const std::u16string& path,
                                            std::span<const std::uint8_t> contents) override;
  std::u16string ErrorText(std::uint32_t code) override;
};

}  // namespace kiv::win32
