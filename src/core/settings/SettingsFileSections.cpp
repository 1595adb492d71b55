// The model's inspection copy, in a file of its own: the program itself never asks for it, and
// this way it is not linked into kiv.exe.
#include "settings/SettingsFile.h"
#include "settings/SettingsLines.h"

namespace kiv {

std::vector<SettingsSection> SettingsFile::Sections() const {
  std::vector<SettingsSection> sections;
  for (const Section& section : sections_) {
    SettingsSection& copy =
        sections.emplace_back(SettingsSection{std::u16string(SectionName(section)), {}});
    for (std::uint32_t i = 0; i < section.entryCount; ++i) {
      std::u16string_view key;
      std::optional<std::u16string_view> value;
      SplitSettingsEntry(EntryLine(entries_[section.firstEntry + i]), key, value);
      copy.entries.push_back(
          {std::u16string(key), value ? std::optional<std::u16string>(*value) : std::nullopt});
    }
  }
  return sections;
}

}  // namespace kiv
