#include "settings/SettingsLookup.h"

#include "settings/SettingsLines.h"

namespace kiv {

SettingsLookup LookUpSetting(std::u16string_view text, std::u16string_view section,
                             std::u16string_view key, TextCodec& codec) {
  const std::u16string wantedSection = codec.UpperCase(section);
  const std::u16string wantedKey = codec.UpperCase(key);
  SettingsLookup found;
  SettingsLine line;
  for (SettingsLineReader reader(text); reader.Next(line);) {
    if (line.kind == SettingsLine::Kind::kHeader) {
      // Leaving the first section of the name: a later one of the same name is a repeat.
      if (found.sectionFound) break;
      found.sectionFound = codec.UpperCase(line.name) == wantedSection;
    } else if (line.kind == SettingsLine::Kind::kEntry && found.sectionFound &&
               codec.UpperCase(line.key) == wantedKey) {
      found.entryFound = true;
      found.value = line.value;
      break;
    }
  }
  return found;
}

std::u16string FindSettingsValue(std::u16string_view text, std::u16string_view section,
                                 std::u16string_view key, TextCodec& codec) {
  const SettingsLookup found = LookUpSetting(text, section, key, codec);
  return std::u16string(found.value.value_or(std::u16string_view()));
}

}  // namespace kiv
