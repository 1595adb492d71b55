#pragma once

#include <cstdint>
#include <string>

namespace kiv {

// The text of the general error report: the message, with a full stop appended when its last
// character sorts above "." (a letter, a digit, "。"); one that ends in ".", "!", ")" or a blank
// is shown as it is.
std::u16string GeneralErrorText(std::u16string message);

// The text of the fatal error report:
// "<type> がモジュール <module> の <offset> で発生しました。" CR LF "<message>[.]" CR LF
std::u16string FatalErrorText(std::u16string_view typeName, std::u16string_view moduleName,
                              std::uintptr_t offset, std::u16string_view message);

// ASCII or Latin-1 text (as std::exception::what() gives it) widened to UTF-16.
std::u16string Widen(std::string_view text);

}  // namespace kiv
