#pragma once
// Errors are exceptions that carry the message bytes the user will read
// (Shift-JIS on Windows, UTF-8 on Linux); the event-handler boundary shows them.
#include <exception>
#include <string>

namespace vemlo {

class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

// printf-style formatting of a message from the text table; arguments are
// byte strings and integers, never user-supplied format strings.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void Fail(std::string message);

}  // namespace vemlo
