#pragma once

#include <exception>
#include <string>

namespace Sumtide {

// The base of every error the system raises: an exception that carries a message text.
class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}

  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

} // namespace Sumtide
