#pragma once

#include <cstddef>
#include <string_view>

#include "platform/TextCodec.h"
#include "settings/SettingsEncoding.h"

namespace kiv {

// The most bytes that a save of this file can write when it stores a value of at most
// maxValueLength ASCII characters under the key. fileBytes is the file's size, mark included.
//
// Everything a save adds is ASCII: CR LF line ends, the empty line after each section, the value,
// a new entry or section, and the UTF-8 mark that an ANSI file gains on a UTF-8 system. What it
// drops is counted only as far as its size is certain, so the figure is never below the size
// written. For a file the program wrote itself it is exact, with the value at its longest: so
// when a file's figure is within the limit, every later save of it is too.
std::size_t MaxSavedBytes(std::u16string_view text, SettingsEncoding encoding,
                          std::size_t fileBytes, std::u16string_view section,
                          std::u16string_view key, std::size_t maxValueLength, TextCodec& codec);

}  // namespace kiv
