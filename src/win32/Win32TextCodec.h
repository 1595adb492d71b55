#pragma once

#include "platform/TextCodec.h"

namespace kiv::win32 {

// Case mapping and the ANSI code page of the system.
class Win32TextCodec : public TextCodec {
 public:
  std::u16string UpperCase(std::u16string_view text) override;
  std::uint32_t AnsiCodePage() override;
  std::optional<std::u16string> AnsiDecode(std::span<const std::uint8_t> bytes) override;
  std::optional<std::vector<std::uint8_t>> AnsiEncode(std::u16string_view text) override;
};

}  // namespace kiv::win32
