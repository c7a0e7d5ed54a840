// The one exception type of the system: a runtime error that carries its message text.
#pragma once

#include <stdexcept>
#include <string>

class TRuntimeError : public std::runtime_error {
 public:
  explicit TRuntimeError(const std::string& text) : std::runtime_error(text) {}
  const std::string Text() const { return what(); }
};

// Raises a runtime error with the given text.
[[noreturn]] void RuntimeError(const std::string& text);

// Raised by every operation a class declares but leaves to its subclasses.
[[noreturn]] void AbstractMethod();
