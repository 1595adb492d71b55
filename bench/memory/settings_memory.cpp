// Peak memory of reading and saving the settings file, for the largest files the store accepts,
// built to be as costly as can be: millions of short lines, millions of distinct sections, one
// long line, each in the ANSI code page (whose text takes twice the file's bytes) and in UTF-16.
// Every allocation of the program is counted; the figure is the peak above what was held before,
// as a multiple of the file's size.
//
//   settings_memory            prints the table
//   settings_memory --check    also fails when a read passes 4x or a save 10x the file's size
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../../tests/unit/FakeTextCodec.h"
#include "General.h"
#include "settings/IniLinePositionStore.h"

namespace {

std::size_t current = 0;
std::size_t peak = 0;

// Each block carries its size in front of it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof(size));
  current += size;
  if (current > peak) peak = current;
  return block + kHeader;
}

void Release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof(size));
  current -= size;
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }

namespace {

using Bytes = std::vector<std::uint8_t>;

// A settings folder holding the one file.
class OneFileSystem : public kiv::FileSystem {
 public:
  Bytes contents;

  std::u16string AppDataFolder() override { return u"R"; }
  bool DirectoryExists(const std::u16string&) override { return true; }
  void MakeDirectory(const std::u16string&) override {}
  kiv::FileLookup FindFile(const std::u16string&) override { return {true, std::nullopt}; }
  std::optional<kiv::FileError> ReadWholeFile(const std::u16string&, std::size_t maxBytes,
                                              Bytes& out) override {
    if (contents.size() > maxBytes) return kiv::FileError{kiv::kFileTooLargeError};
    out = contents;
    return std::nullopt;
  }
  std::optional<kiv::FileError> ReplaceWholeFile(const std::u16string&,
                                                 std::span<const std::uint8_t> bytes) override {
    contents.assign(bytes.begin(), bytes.end());
    return std::nullopt;
  }
  std::u16string ErrorText(std::uint32_t) override { return u"?"; }
};

constexpr std::size_t kLimit = kiv::kMaxSettingsFileBytes;

// A file of the program's own form (CR LF, an empty line after each section), so that the store
// accepts it and saves it unchanged: "[Line]" first, then the given lines, up to the size.
std::string FileOf(std::size_t size, const std::string& first, const auto& next,
                   const std::string& last) {
  std::string text = "[Line]\r\nCount=-2147483648\r\n\r\n" + first;
  for (std::size_t i = 0;; ++i) {
    const std::string line = next(i);
    if (text.size() + line.size() + last.size() > size) break;
    text += line;
  }
  return text + last;
}

std::string Name(std::size_t i) {
  // Names that differ in more than letter case: three characters of 62 give 238,328 names.
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz!#$%&'()*+,-./:<>?@^_`{|}~";
  std::string name;
  do {
    name += digits[i % 62];
    i /= 62;
  } while (i != 0);
  return name;
}

Bytes Utf16Le(const std::string& ascii) {
  Bytes bytes{0xFF, 0xFE};
  for (const char c : ascii) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

struct Figure {
  double read;
  double save;
};

Figure Measure(const Bytes& file) {
  OneFileSystem fs;
  fs.contents = file;
  kiv::FakeTextCodec codec;
  kiv::IniLinePositionStore store(fs, codec);
  const auto during = [&](const auto& action) {
    const std::size_t before = current;
    peak = current;
    action();
    return static_cast<double>(peak - before) / static_cast<double>(file.size());
  };
  Figure figure{};
  figure.read = during([&] {
    const int value = store.Read();
    if (value != -2147483647 - 1) {
      std::fprintf(stderr, "read %d\n", value);
      std::abort();
    }
  });
  figure.save = during([&] { store.Save(-2147483647 - 1); });
  if (fs.contents != file) {  // the program's own form comes back unchanged
    std::size_t i = 0;
    while (i < file.size() && i < fs.contents.size() && file[i] == fs.contents[i]) ++i;
    std::fprintf(stderr, "differs at %zu of %zu/%zu\n", i, file.size(), fs.contents.size());
    std::abort();
  }
  return figure;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
  {
    OneFileSystem fs;
    kiv::PrepareSettingsFolder(fs, u"KIV");
  }
  struct Case {
    const char* name;
    Bytes file;
  };
  const auto shortLine = [](std::size_t) { return std::string("k\r\n"); };
  const auto shortLines = FileOf(kLimit, "[S]\r\n", shortLine, "\r\n");
  const auto sections = FileOf(
      kLimit, "", [](std::size_t i) { return "[" + Name(i) + "]\r\n\r\n"; }, "");
  const auto longLine = FileOf(
      kLimit, "[S]\r\nk=", [](std::size_t) { return std::string(4096, 'v'); }, "\r\n\r\n");
  const auto shortLines16 = FileOf((kLimit - 2) / 2, "[S]\r\n", shortLine, "\r\n");
  const Case cases[] = {
      {"short lines, ANSI", Bytes(shortLines.begin(), shortLines.end())},
      {"distinct sections, ANSI", Bytes(sections.begin(), sections.end())},
      {"one long line, ANSI", Bytes(longLine.begin(), longLine.end())},
      {"short lines, UTF-16", Utf16Le(shortLines16)},
  };
  std::printf("| File (%zu MiB at most) | Bytes | Peak while reading | Peak while saving |\n",
              kLimit >> 20);
  std::printf("|---|---|---|---|\n");
  bool within = true;
  for (const Case& c : cases) {
    const Figure figure = Measure(c.file);
    std::printf("| %s | %zu | %.2fx | %.2fx |\n", c.name, c.file.size(), figure.read, figure.save);
    within = within && figure.read <= 4.0 && figure.save <= 10.0;
  }
  if (check && !within) {
    std::printf("over budget: a read may take 4x the file's size, a save 10x\n");
    return 1;
  }
  return 0;
}
