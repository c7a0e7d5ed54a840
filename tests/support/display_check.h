// Tests that need the X display: they run when one answers, are skipped when none does, and
// fail instead when REQUIRE_DISPLAY=1 (as the test command and CI set it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

inline bool DisplayRequired() {
  const char* required = std::getenv("REQUIRE_DISPLAY");
  return required && std::strcmp(required, "1") == 0;
}

inline bool DisplayNamed() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

// Use as the first statement of a test or of a fixture's SetUp.
#define SKIP_WITHOUT_DISPLAY()                                                   \
  do {                                                                           \
    if (!DisplayNamed()) {                                                       \
      if (DisplayRequired()) FAIL() << "REQUIRE_DISPLAY=1 but DISPLAY is unset"; \
      GTEST_SKIP() << "no X display";                                            \
    }                                                                            \
  } while (0)
