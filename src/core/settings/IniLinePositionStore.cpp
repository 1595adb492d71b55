#include "settings/IniLinePositionStore.h"

#include <vector>

#include "General.h"
#include "settings/SettingsErrors.h"
#include "settings/SettingsInteger.h"

namespace kiv {

namespace {

constexpr std::u16string_view kFileName = u"KIV.ini";
constexpr std::u16string_view kSection = u"Line";
constexpr std::u16string_view kKey = u"Count";

std::u16string SettingsFilePath() { return SettingsFolder() + std::u16string(kFileName); }

}  // namespace

IniLinePositionStore::Contents IniLinePositionStore::Load(const std::u16string& path) {
  if (!fs_.FileExists(path)) return {SettingsFile(codec_), SettingsEncoding::kAnsi};
  std::vector<std::uint8_t> bytes;
  if (const auto error = fs_.ReadWholeFile(path, kMaxSettingsFileBytes, bytes)) {
    throw FileReadError(fs_, path, error->code);
  }
  DecodedSettingsText decoded = DecodeSettingsText(bytes, codec_);
  return {SettingsFile::Parse(decoded.text, codec_), decoded.encoding};
}

std::int32_t IniLinePositionStore::Read() {
  const Contents contents = Load(SettingsFilePath());
  return ParseSettingsInteger(contents.file.Value(kSection, kKey)).value_or(kDefaultLinePosition);
}

void IniLinePositionStore::Save(std::int32_t position) {
  const std::u16string path = SettingsFilePath();
  Contents contents = Load(path);
  contents.file.SetValue(kSection, kKey, FormatSettingsInteger(position));
  const std::vector<std::uint8_t> bytes =
      EncodeSettingsText(contents.file.Serialize(), contents.encoding, codec_);
  // Line ends, a new section or a mark can make the file grow past what the next read accepts.
  if (bytes.size() > kMaxSettingsFileBytes) throw FileCreateError(fs_, path, kFileTooLargeError);
  if (const auto error = fs_.WriteWholeFile(path, bytes)) {
    throw FileCreateError(fs_, path, error->code);
  }
}

}  // namespace kiv
