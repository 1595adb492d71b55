#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// The arguments of a whole command line (program path included, as GetCommandLineW returns it),
// split by KIV's own rule: fields after the program path, up to the first empty one.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The argument as a number: optional blanks, sign, decimal or $/x/X/0x/0X hexadecimal.
// 0 when the text is not a valid number.
std::int32_t ConvertArgumentToNumber(std::u16string_view argument);

}  // namespace kiv
