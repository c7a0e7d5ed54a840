// Set-up shared by the framework tests that draw: the test clock, a recording render driver
// with a 1024 x 768 application graphics, the built-in font, and the module values reset.
#pragma once

#include <gtest/gtest.h>

#include "framework/framework_module.h"
#include "framework/sprite.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"
#include "system/system_driver.h"

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFramework();
    InitGraphics();
    clock = InstallFakeSystemDriver(100000);
    driver = InstallRecordingRenderDriver();
    ASSERT_NE(OpenGraphics(1024, 768, 32, 0, 0), nullptr);
    UseFont(nullptr);
    font = CurrentFont();
    TSprite::SetVirtualScale(1, 1);
    FrameDelta = 1;
    driver->ClearCalls();
  }
  void TearDown() override {
    CloseAppGraphics();
    SetSystemDriver(nullptr);
    TSprite::SetVirtualScale(1, 1);
    FrameDelta = 1;
  }

  std::shared_ptr<TFakeSystemDriver> clock;
  TRecordingRenderDriverRef driver;
  TGlyphFontRef font;
};
