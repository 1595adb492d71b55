#include "Win32FileSystem.h"

#include <windows.h>

#include <shlobj.h>

#include "WideText.h"

namespace kiv::win32 {

namespace {

FileError LastError() { return FileError{GetLastError()}; }

// Closes a file handle on every path out.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Writes all of contents to the file, made anew, and flushes it to the disk before closing it.
std::optional<FileError> WriteNewFile(const std::u16string& path,
                                      std::span<const std::uint8_t> contents) {
  FileHandle file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return LastError();
  std::size_t done = 0;
  while (done < contents.size()) {
    DWORD written = 0;
    const std::size_t left = contents.size() - done;
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    if (!WriteFile(file.Get(), contents.data() + done, chunk, &written, nullptr)) {
      return LastError();
    }
    if (written == 0) return FileError{ERROR_DISK_FULL};
    done += written;
  }
  if (!FlushFileBuffers(file.Get())) return LastError();
  return std::nullopt;
}

}  // namespace

std::u16string Win32FileSystem::AppDataFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE);
  std::u16string folder;
  for (std::size_t i = 0; i < MAX_PATH + 1 && buffer[i] != L'\0'; ++i) {
    folder += static_cast<char16_t>(buffer[i]);
  }
  return folder;
}

bool Win32FileSystem::DirectoryExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  // A link or junction counts only when its target can be opened.
  FileHandle target(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return target.Valid();
}

void Win32FileSystem::MakeDirectory(const std::u16string& path) {
  CreateDirectoryW(Wide(path), nullptr);
}

FileLookup Win32FileSystem::FindFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return {(attributes & FILE_ATTRIBUTE_DIRECTORY) == 0, std::nullopt};
  }
  const DWORD error = GetLastError();
  // Anything else (access denied, a network that does not answer) says nothing about the file.
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {false, std::nullopt};
  return {false, FileError{error}};
}

std::optional<FileError> Win32FileSystem::ReadWholeFile(const std::u16string& path,
                                                        std::size_t maxBytes,
                                                        std::vector<std::uint8_t>& contents) {
  FileHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return LastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return LastError();
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    return FileError{kFileTooLargeError};
  }
  contents.assign(static_cast<std::size_t>(size.QuadPart), 0);
  std::size_t done = 0;
  while (done < contents.size()) {
    DWORD read = 0;
    const std::size_t left = contents.size() - done;
    const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    if (!ReadFile(file.Get(), contents.data() + done, chunk, &read, nullptr)) return LastError();
    if (read == 0) break;  // the file shrank meanwhile
    done += read;
  }
  contents.resize(done);
  return std::nullopt;
}

std::optional<FileError> Win32FileSystem::ReplaceWholeFile(const std::u16string& path,
                                                           std::span<const std::uint8_t> contents) {
  // A file that may not be replaced is refused before anything is written: read-only, a
  // directory, or open in another program (even only for reading).
  const DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
      return FileError{ERROR_ACCESS_DENIED};
    }
    FileHandle existing(CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!existing.Valid()) return LastError();
  }

  // The new contents go to a file beside it, which then takes its place in one rename: a write
  // that fails half-way (a full disk, a dropped network drive) leaves the old file whole. A
  // temporary file that a crash left behind is never read, and the next save reuses its name.
  const std::u16string temporary = path + u".tmp";
  std::optional<FileError> error = WriteNewFile(temporary, contents);
  if (!error && !MoveFileExW(Wide(temporary), Wide(path),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastError();
  }
  if (error) DeleteFileW(Wide(temporary));
  return error;
}

std::u16string Win32FileSystem::ErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string result;
  if (text != nullptr) {
    result = Utf16(text, length);
    LocalFree(text);
  }
  return result;
}

}  // namespace kiv::win32
