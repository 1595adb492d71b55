// The input is the content of KIV.ini. Reads and saves it through the store, once with the ANSI
// code page 1252 and once with 65001, and checks what must hold for any file: text that decodes
// saves without error, the save is stable, the value reads back and the rest of the file survives;
// a file that does not decode is never written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "../tests/unit/FakeTextCodec.h"
#include "General.h"
#include "KivError.h"
#include "settings/IniLinePositionStore.h"
#include "settings/SavedSizeBound.h"
#include "settings/SettingsEncoding.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsInteger.h"
#include "settings/SettingsLookup.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Check(bool condition) {
  if (!condition) std::abort();
}

// A settings folder that holds the one file; a map of paths would cost most of each run.
class OneFileSystem : public kiv::FileSystem {
 public:
  explicit OneFileSystem(Bytes contents) : contents_(std::move(contents)) {}

  const Bytes& Contents() const { return contents_; }
  int WriteCount() const { return writeCount_; }

  std::u16string AppDataFolder() override { return u"R"; }
  bool DirectoryExists(const std::u16string& path) override { return path != File(); }
  void MakeDirectory(const std::u16string&) override {}
  kiv::FileLookup FindFile(const std::u16string& path) override {
    return {path == File(), std::nullopt};
  }
  std::optional<kiv::FileError> ReadWholeFile(const std::u16string& path, std::size_t maxBytes,
                                              Bytes& contents) override {
    Check(path == File() && maxBytes == kiv::kMaxSettingsFileBytes);
    contents = contents_;
    return std::nullopt;
  }
  std::optional<kiv::FileError> ReplaceWholeFile(const std::u16string& path,
                                                 std::span<const std::uint8_t> contents) override {
    Check(path == File());
    ++writeCount_;
    contents_.assign(contents.begin(), contents.end());
    return std::nullopt;
  }
  std::u16string ErrorText(std::uint32_t) override { return u"?"; }

 private:
  static std::u16string File() { return kiv::SettingsFolder() + u"KIV.ini"; }

  Bytes contents_;
  int writeCount_ = 0;
};

// FNV-1a, so that the value to store follows from the input and a crash replays.
std::uint64_t Hash(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 14695981039346656037u;
  for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211u;
  return hash;
}

// Mostly list positions, sometimes any 32-bit value.
std::int32_t ValueFor(std::uint64_t hash) {
  const auto high = static_cast<std::uint32_t>(hash >> 32);
  switch (hash & 3) {
    case 0:
      return static_cast<std::int32_t>(high % 101) - 1;
    case 1:
      return static_cast<std::int32_t>(high);
    case 2:
      return high % 2 == 0 ? -2147483647 - 1 : 2147483647;
    default:
      return static_cast<std::int32_t>(high % 1000);
  }
}

void FuzzWithCodePage(const Bytes& bytes, std::uint32_t codePage, std::int32_t value) {
  OneFileSystem fs(bytes);
  kiv::FakeTextCodec codec(codePage);
  kiv::IniLinePositionStore store(fs, codec);

  std::optional<kiv::DecodedSettingsText> decoded;
  try {
    decoded = kiv::DecodeSettingsText(bytes, codec);
  } catch (const kiv::KivError&) {
  }

  std::optional<std::int32_t> read;
  try {
    read = store.Read();
  } catch (const kiv::KivError&) {
  }
  Check(read.has_value() == decoded.has_value());
  Check(fs.WriteCount() == 0);

  if (!decoded) {
    bool refused = false;
    try {
      store.Save(value);
    } catch (const kiv::KivError&) {
      refused = true;
    }
    Check(refused);
    Check(fs.WriteCount() == 0);
    Check(fs.Contents() == bytes);
    return;
  }

  // The lookup agrees with the store, and the model survives its own text unchanged.
  Check(*read ==
        kiv::ParseSettingsInteger(kiv::FindSettingsValue(decoded->text, u"Line", u"Count", codec))
            .value_or(kiv::kDefaultLinePosition));
  kiv::SettingsFile model = kiv::SettingsFile::Parse(decoded->text, codec);
  const std::u16string text = model.Serialize();
  Check(kiv::SettingsFile::Parse(text, codec).Sections() == model.Sections());

  // Text that was read can always be written back; an exception here escapes and fails the run.
  store.Save(value);
  Check(fs.WriteCount() == 1);
  const Bytes saved = fs.Contents();
  Check(store.Read() == value);
  // The bound that the read checks against the limit holds for what was written.
  Check(saved.size() <= kiv::MaxSavedBytes(decoded->text, decoded->encoding, bytes.size(), u"Line",
                                           u"Count", 11, codec));

  // Everything but the value is as it was, in the same encoding; an ANSI file on a UTF-8 system
  // gains the UTF-8 mark.
  model.SetValue(u"Line", u"Count", kiv::FormatSettingsInteger(value));
  const kiv::DecodedSettingsText again = kiv::DecodeSettingsText(saved, codec);
  Check(kiv::SettingsFile::Parse(again.text, codec).Sections() == model.Sections());
  const bool gainsMark =
      decoded->encoding == kiv::SettingsEncoding::kAnsi && codePage == kiv::kUtf8CodePage;
  Check(again.encoding == (gainsMark ? kiv::SettingsEncoding::kUtf8 : decoded->encoding));

  // A second save of the same value changes no byte.
  store.Save(value);
  Check(fs.WriteCount() == 2);
  Check(fs.Contents() == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kiv::SettingsFolder().empty()) {
    OneFileSystem fs({});
    Check(kiv::PrepareSettingsFolder(fs, u"KIV"));
  }
  const Bytes bytes(data, data + size);
  const std::int32_t value = ValueFor(Hash(bytes));
  FuzzWithCodePage(bytes, kiv::FakeTextCodec::kWesternCodePage, value);
  FuzzWithCodePage(bytes, kiv::kUtf8CodePage, value);
  return 0;
}
