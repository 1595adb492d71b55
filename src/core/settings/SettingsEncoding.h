#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextCodec.h"

namespace kiv {

// How a settings file is stored; the save keeps the one the file was read in.
enum class SettingsEncoding {
  kAnsi,     // no mark (EF BB BF in front when the ANSI code page is UTF-8); also new files
  kUtf8,     // EF BB BF
  kUtf16Le,  // FF FE
  kUtf16Be,  // FE FF
};

struct DecodedSettingsText {
  std::u16string text;
  SettingsEncoding encoding;
};

// The text of a settings file, by its byte-order mark. Throws TextMappingError for bytes that are
// not text in that encoding.
DecodedSettingsText DecodeSettingsText(std::span<const std::uint8_t> bytes, TextCodec& codec);

// The bytes of a settings file, mark included. Throws TextMappingError when the text cannot be
// stored in that encoding.
std::vector<std::uint8_t> EncodeSettingsText(std::u16string_view text, SettingsEncoding encoding,
                                             TextCodec& codec);

}  // namespace kiv
