#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/TextCodec.h"

namespace kiv {

// Where a key stands in a settings file, found by reading the text line by line without building
// a model of it: only the first section of the name counts, and in it only the first entry with
// the key. Names and keys are compared by the system's case mapping.
struct SettingsLookup {
  bool sectionFound = false;
  bool entryFound = false;
  std::optional<std::u16string_view> value;  // a view into the text; none for a bare key
};

SettingsLookup LookUpSetting(std::u16string_view text, std::u16string_view section,
                             std::u16string_view key, TextCodec& codec);

// The entry's value; empty when the section, the entry or its value is missing.
std::u16string FindSettingsValue(std::u16string_view text, std::u16string_view section,
                                 std::u16string_view key, TextCodec& codec);

}  // namespace kiv
