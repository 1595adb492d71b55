#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextCodec.h"

namespace kiv {

struct SettingsEntry {
  std::u16string key;
  std::optional<std::u16string> value;  // none for a line without "="

  bool operator==(const SettingsEntry&) const = default;
};

struct SettingsSection {
  std::u16string name;
  std::vector<SettingsEntry> entries;

  bool operator==(const SettingsSection&) const = default;
};

// A settings file in memory: sections in file order, each with its entries in file order. Names
// and keys are matched without regard to letter case, by the system's case mapping.
class SettingsFile {
 public:
  explicit SettingsFile(TextCodec& codec) : codec_(codec) {}

  // Reads the text line by line. Comments, empty lines, lines before the first header and
  // repeated sections with their lines are left out. Never fails.
  static SettingsFile Parse(std::u16string_view text, TextCodec& codec);

  const std::vector<SettingsSection>& Sections() const { return sections_; }

  // The value of the first entry with the key; empty when the section, the entry or its value
  // is missing.
  std::u16string Value(std::u16string_view section, std::u16string_view key) const;

  // Gives the first entry with the key the value, keeping the key's letter case; appends the
  // section or the entry where it is missing.
  void SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The whole file: each section as its header, its entries and an empty line, all ending in CR LF.
  std::u16string Serialize() const;

 private:
  SettingsSection* FindSection(std::u16string_view name);
  const SettingsSection* FindSection(std::u16string_view name) const;

  TextCodec& codec_;
  std::vector<SettingsSection> sections_;
};

}  // namespace kiv
