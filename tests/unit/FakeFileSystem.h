#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kiv {

// An in-memory tree of folders and files with Windows paths ("\" separators, no final "\" in
// the keys) and the system error codes that Windows gives for the same failures.
class FakeFileSystem : public FileSystem {
 public:
  static constexpr std::uint32_t kFileNotFound = 2;
  static constexpr std::uint32_t kPathNotFound = 3;
  static constexpr std::uint32_t kAccessDenied = 5;
  static constexpr std::uint32_t kSharingViolation = 32;
  static constexpr std::uint32_t kDiskFull = 112;
  static constexpr std::uint32_t kBadNetPath = 53;

  struct Node {
    bool directory = false;
    std::vector<std::uint8_t> contents;
    std::optional<std::uint32_t> readError;    // e.g. another program writes the file
    std::optional<std::uint32_t> writeError;   // e.g. a read-only file
    std::optional<std::uint32_t> lookupError;  // e.g. a network drive that does not answer
  };

  // The application-data folder exists unless the test removes it.
  explicit FakeFileSystem(std::u16string appData = u"C:\\Users\\Ann\\AppData\\Roaming")
      : appData_(std::move(appData)) {
    if (!appData_.empty()) nodes_[appData_].directory = true;
  }

  // For the tests: arranging the tree and looking into it.
  void SetAppDataFolder(std::u16string path) { appData_ = std::move(path); }
  void AddDirectory(const std::u16string& path) {
    nodes_[Key(path)] = Node();
    nodes_[Key(path)].directory = true;
  }
  Node& AddFile(const std::u16string& path, std::vector<std::uint8_t> contents) {
    Node& node = nodes_[Key(path)];
    node = Node();
    node.contents = std::move(contents);
    return node;
  }
  void Remove(const std::u16string& path) { nodes_.erase(Key(path)); }
  const Node* Find(const std::u16string& path) const {
    const auto found = nodes_.find(Key(path));
    return found == nodes_.end() ? nullptr : &found->second;
  }
  // MakeDirectory leaves this path alone, as when the user may not create it.
  void DenyCreation(const std::u16string& path) { denied_.push_back(Key(path)); }
  // Replacements fail with the code after writing part of the new contents, as on a full disk.
  void FailReplacements(std::uint32_t code) { replaceError_ = code; }
  void SetErrorText(std::uint32_t code, std::u16string text) {
    errorTexts_[code] = std::move(text);
  }
  const std::vector<std::u16string>& CreatedDirectories() const { return madeDirectories_; }
  int WriteCount() const { return writeCount_; }
  std::size_t LastMaxBytes() const { return lastMaxBytes_; }

  // FileSystem
  std::u16string AppDataFolder() override { return appData_; }

  bool DirectoryExists(const std::u16string& path) override {
    const Node* node = Find(path);
    return node != nullptr && node->directory;
  }

  void MakeDirectory(const std::u16string& path) override {
    madeDirectories_.push_back(path);
    if (Find(path) != nullptr || !DirectoryExists(Parent(path))) return;
    for (const std::u16string& denied : denied_) {
      if (denied == Key(path)) return;
    }
    nodes_[Key(path)].directory = true;
  }

  FileLookup FindFile(const std::u16string& path) override {
    const Node* node = Find(path);
    if (node != nullptr && node->lookupError) return {false, FileError{*node->lookupError}};
    return {node != nullptr && !node->directory, std::nullopt};
  }
  bool FileExists(const std::u16string& path) { return FindFile(path).present; }

  std::optional<FileError> ReadWholeFile(const std::u16string& path, std::size_t maxBytes,
                                         std::vector<std::uint8_t>& contents) override {
    lastMaxBytes_ = maxBytes;
    const Node* node = Find(path);
    if (node == nullptr) return FileError{kFileNotFound};
    if (node->directory) return FileError{kAccessDenied};
    if (node->readError) return FileError{*node->readError};
    if (node->contents.size() > maxBytes) return FileError{kFileTooLargeError};
    contents = node->contents;
    return std::nullopt;
  }

  std::optional<FileError> ReplaceWholeFile(const std::u16string& path,
                                            std::span<const std::uint8_t> contents) override {
    if (!DirectoryExists(Parent(path))) return FileError{kPathNotFound};
    const Node* existing = Find(path);
    if (existing != nullptr && existing->directory) return FileError{kAccessDenied};
    if (existing != nullptr && existing->writeError) return FileError{*existing->writeError};
    if (replaceError_) return FileError{*replaceError_};
    ++writeCount_;
    nodes_[Key(path)].contents.assign(contents.begin(), contents.end());
    return std::nullopt;
  }

  std::u16string ErrorText(std::uint32_t code) override {
    const auto found = errorTexts_.find(code);
    return found == errorTexts_.end() ? u"不明なエラーです。\r\n" : found->second;
  }

 private:
  static std::u16string Key(const std::u16string& path) {
    return path.size() > 1 && path.back() == u'\\' ? path.substr(0, path.size() - 1) : path;
  }
  static std::u16string Parent(const std::u16string& path) {
    const std::u16string key = Key(path);
    const std::size_t slash = key.rfind(u'\\');
    return slash == std::u16string::npos ? std::u16string() : key.substr(0, slash);
  }

  std::u16string appData_;
  std::map<std::u16string, Node> nodes_;
  std::map<std::uint32_t, std::u16string> errorTexts_{
      {kFileNotFound, u"指定されたファイルが見つかりません。\r\n"},
      {kPathNotFound, u"指定されたパスが見つかりません。\r\n"},
      {kAccessDenied, u"アクセスが拒否されました。\r\n"},
      {kSharingViolation,
       u"プロセスはファイルにアクセスできません。別のプロセスが使用中です。\r\n"},
      {kFileTooLargeError, u"ファイル サイズが制限を超えているため、保存できません。\r\n"},
      {kDiskFull, u"ディスクに十分な空き領域がありません。\r\n"},
      {kBadNetPath, u"ネットワーク パスが見つかりません。\r\n"},
  };
  std::vector<std::u16string> denied_;
  std::vector<std::u16string> madeDirectories_;
  int writeCount_ = 0;
  std::size_t lastMaxBytes_ = 0;
  std::optional<std::uint32_t> replaceError_;
};

}  // namespace kiv
