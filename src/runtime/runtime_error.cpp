#include "runtime/runtime_error.h"

void RuntimeError(const std::string& text) {
  throw TRuntimeError(text);
}

void AbstractMethod() {
  RuntimeError("Attempt to call abstract method");
}
