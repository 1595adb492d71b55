#pragma once

#include <exception>
#include <string>

namespace kiv {

// An error with a message for the user, in UTF-16 as the message box takes it.
class KivError : public std::exception {
 public:
  explicit KivError(std::u16string message) : message_(std::move(message)) {}
  const std::u16string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return "KivError"; }

 private:
  std::u16string message_;
};

}  // namespace kiv
