#pragma once

#include <cstdint>
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
//
// The model keeps the file's text and refers to its lines by position, a few bytes per line, so
// that a file of millions of short lines costs little more than its text.
class SettingsFile {
 public:
  explicit SettingsFile(TextCodec& codec) : codec_(codec) {}

  // Reads the text line by line. Comments, empty lines, lines before the first header and
  // repeated sections with their lines are left out. Never fails.
  static SettingsFile Parse(std::u16string text, TextCodec& codec);

  // A copy of the model as plain values, for inspection.
  std::vector<SettingsSection> Sections() const;

  // Gives the first entry with the key the value, keeping the key's letter case; appends the
  // section or the entry where it is missing.
  void SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The whole file: each section as its header, its entries and an empty line, all ending in CR LF.
  std::u16string Serialize() const;

 private:
  struct Section {
    std::uint32_t name;  // position and length of the name in text_
    std::uint32_t nameLength;
    std::uint32_t firstEntry;  // its entries are entries_[firstEntry, firstEntry + entryCount)
    std::uint32_t entryCount;
  };

  // The text from a position on: positions past the file's text are in the added lines.
  std::u16string_view TextFrom(std::uint32_t position) const;
  std::u16string_view SectionName(const Section& section) const;
  // The entry's line: it starts at the position and runs to the line end, trimmed.
  std::u16string_view EntryLine(std::uint32_t position) const;
  // Adds a line after the others that SetValue added and returns its position.
  std::uint32_t AddLine(std::u16string_view line);
  std::optional<std::size_t> FindSection(std::u16string_view name) const;

  TextCodec& codec_;
  std::u16string text_;   // the file's text
  std::u16string added_;  // the lines that SetValue added, each ending in LF
  std::vector<Section> sections_;
  std::vector<std::uint32_t> entries_;  // the position of each entry's line in text_
};

}  // namespace kiv
