#pragma once

#include <cstdint>
#include <string>

#include "KivError.h"
#include "platform/FileSystem.h"

namespace kiv {

// The system's text for an error code without its final blanks and full stops, ready to be
// placed inside a message.
std::u16string SystemErrorText(FileSystem& fs, std::uint32_t code);

// The settings file is present but cannot be opened for reading.
KivError FileReadError(FileSystem& fs, const std::u16string& path, std::uint32_t code);

// The settings file cannot be created or replaced.
KivError FileCreateError(FileSystem& fs, const std::u16string& path, std::uint32_t code);

// The bytes do not form text in the file's encoding, or the text has no bytes in it.
KivError TextMappingError();

}  // namespace kiv
