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

// What a look for a file found: whether one is there, or why that cannot be told.
struct FileLookup {
  bool present = false;
  std::optional<FileError> error;
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

  // Whether a file is at the path. Only "file not found" and "path not found" mean that there is
  // none, and so does a directory; any other failure leaves it unknown and is returned.
  [[nodiscard]] virtual FileLookup FindFile(const std::u16string& path) = 0;

  // Replaces contents with the whole file, shared for reading only. A file of more than maxBytes
  // fails with kFileTooLargeError and is not loaded.
  [[nodiscard]] virtual std::optional<FileError> ReadWholeFile(
      const std::u16string& path, std::size_t maxBytes, std::vector<std::uint8_t>& contents) = 0;

  // Makes contents the whole file in one step, creating it where there is none. Refuses a file
  // that may not be replaced (read-only, open in another program, a directory). Any failure
  // leaves the file exactly as it was.
  [[nodiscard]] virtual std::optional<FileError> ReplaceWholeFile(
      const std::u16string& path, std::span<const std::uint8_t> contents) = 0;

  // The system's message for an error code, as the system gives it (final blanks and all).
  virtual std::u16string ErrorText(std::uint32_t code) = 0;
};

}  // namespace kiv
