#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kiv {

// A failed file operation: the system's error code (the last-error code on Windows).
struct FileError {
  std::uint32_t code;
};

// ERROR_FILE_TOO_LARGE: what ReadWholeFile reports for a file over its size limit.
inline constexpr std::uint32_t kFileTooLargeError = 223;

// The folder and file operations of the settings storage.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The user's roaming application-data folder without a final "\": the text of the 261-unit
  // buffer up to its first NUL. Empty when the system has no such folder.
  virtual std::u16string AppDataFolder() = 0;

  // True when the path names an existing directory; a link counts only when its target exists.
  virtual bool DirectoryExists(const std::u16string& path) = 0;

  // Creates one folder whose parent exists. Whether it worked is learnt from DirectoryExists.
  virtual void MakeDirectory(const std::u16string& path) = 0;

  // True when the path exists and is not a directory.
  virtual bool FileExists(const std::u16string& path) = 0;

  // Replaces contents with the whole file, shared for reading only. A file of more than maxBytes
  // fails with kFileTooLargeError and is not loaded.
  [[nodiscard]] virtual std::optional<FileError> ReadWholeFile(
      const std::u16string& path, std::size_t maxBytes, std::vector<std::uint8_t>& contents) = 0;

  // Creates or empties the file, unshared, and writes all of contents. Fails when the file cannot
  // be opened, which leaves it as it was, and when not every byte was written.
  [[nodiscard]] virtual std::optional<FileError> WriteWholeFile(
      const std::u16string& path, std::span<const std::uint8_t> contents) = 0;

  // The system's message for an error code, as the system gives it (final blanks and all).
  virtual std::u16string ErrorText(std::uint32_t code) = 0;
};

}  // namespace kiv
