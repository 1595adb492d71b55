#include "settings/IniLinePositionStore.h"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "General.h"
#include "settings/SavedSizeBound.h"
#include "settings/SettingsErrors.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsInteger.h"
#include "settings/SettingsLookup.h"

namespace kiv {

namespace {

constexpr std::u16string_view kFileName = u"KIV.ini";
constexpr std::u16string_view kSection = u"Line";
constexpr std::u16string_view kKey = u"Count";

std::u16string SettingsFilePath() { return SettingsFolder() + std::u16string(kFileName); }

}  // namespace

DecodedSettingsText IniLinePositionStore::Load(const std::u16string& path) {
  const FileLookup lookup = fs_.FindFile(path);
  if (lookup.error) throw FileReadError(fs_, path, lookup.error->code);
  if (!lookup.present) return {std::u16string(), SettingsEncoding::kAnsi};
  std::vector<std::uint8_t> bytes;
  if (const auto error = fs_.ReadWholeFile(path, kMaxSettingsFileBytes, bytes)) {
    throw FileReadError(fs_, path, error->code);
  }
  DecodedSettingsText decoded = DecodeSettingsText(bytes, codec_);
  const std::size_t longestValue =
      FormatSettingsInteger(std::numeric_limits<std::int32_t>::min()).size();
  if (MaxSavedBytes(decoded.text, decoded.encoding, bytes.size(), kSection, kKey, longestValue,
                    codec_) > kMaxSettingsFileBytes) {
    throw FileReadError(fs_, path, kFileTooLargeError);
  }
  return decoded;
}

std::int32_t IniLinePositionStore::Read() {
  const DecodedSettingsText contents = Load(SettingsFilePath());
  return ParseSettingsInteger(FindSettingsValue(contents.text, kSection, kKey, codec_))
      .value_or(kDefaultLinePosition);
}

void IniLinePositionStore::Save(std::int32_t position) {
  const std::u16string path = SettingsFilePath();
  DecodedSettingsText contents = Load(path);
  std::u16string text;
  {
    // The model goes before the bytes are made: only one of them is held at a time.
    SettingsFile file = SettingsFile::Parse(std::move(contents.text), codec_);
    file.SetValue(kSection, kKey, FormatSettingsInteger(position));
    text = file.Serialize();
  }
  const std::vector<std::uint8_t> bytes = EncodeSettingsText(text, contents.encoding, codec_);
  // Load made sure of this; a file over the limit would not read again.
  if (bytes.size() > kMaxSettingsFileBytes) throw FileCreateError(fs_, path, kFileTooLargeError);
  if (const auto error = fs_.ReplaceWholeFile(path, bytes)) {
    throw FileCreateError(fs_, path, error->code);
  }
}

}  // namespace kiv
