#include "ErrorText.h"

namespace kiv {

std::u16string GeneralErrorText(std::u16string message) {
  if (!message.empty() && message.back() > u'.') message += u'.';
  return message;
}

std::u16string FatalErrorText(std::u16string_view typeName, std::u16string_view moduleName,
                              std::uintptr_t offset, std::u16string_view message) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  // The offset is printed as a full-width pointer, as %p does.
  std::u16string address(sizeof(std::uintptr_t) * 2, u'0');
  for (std::size_t i = address.size(); i-- > 0; offset >>= 4) address[i] = kHex[offset & 0xF];

  std::u16string text;
  text += typeName;
  text += u" がモジュール ";
  text += moduleName;
  text += u" の ";
  text += address;
  text += u" で発生しました。\r\n";
  text += message;
  if (!message.empty() && message.back() != u'.') text += u'.';
  text += u"\r\n";
  return text;
}

std::u16string Widen(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (const char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
  return wide;
}

}  // namespace kiv
