#include "Win32TextCodec.h"

#include <windows.h>

#include <climits>

namespace kiv::win32 {

std::u16string Win32TextCodec::UpperCase(std::u16string_view text) {
  std::u16string upper(text);
  // CharUpperBuffW maps one unit at a time, in place; long texts go in pieces.
  std::size_t done = 0;
  while (done < upper.size()) {
    const std::size_t left = upper.size() - done;
    const DWORD piece = left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(left);
    CharUpperBuffW(reinterpret_cast<wchar_t*>(upper.data() + done), piece);
    done += piece;
  }
  return upper;
}

std::uint32_t Win32TextCodec::AnsiCodePage() { return GetACP(); }

std::optional<std::u16string> Win32TextCodec::AnsiDecode(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::u16string();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const auto* source = reinterpret_cast<const char*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  // Strict: bytes that are not text in the code page must not be turned into something else
  // that the next save would write back.
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, source, size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, source, size,
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

std::optional<std::vector<std::uint8_t>> Win32TextCodec::AnsiEncode(std::u16string_view text) {
  if (text.empty()) return std::vector<std::uint8_t>();
  if (text.size() > INT_MAX) return std::nullopt;
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  // Only exact mappings: a character the code page lacks must fail rather than become "?".
  // The UTF-8 code page takes no default-character arguments and fails on lone surrogates.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* usedDefault = utf8 ? nullptr : &lossy;
  const int length =
      WideCharToMultiByte(CP_ACP, flags, source, size, nullptr, 0, nullptr, usedDefault);
  if (length <= 0 || lossy) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_ACP, flags, source, size, reinterpret_cast<char*>(bytes.data()), length,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace kiv::win32
