// Set-up shared by the game's tests: the test clock with a window whose keys and characters
// the test posts, a recording render driver behind a 1024 x 768 application graphics, the
// built-in font, and a sound backend that logs which file starts on which channel. The test
// runs in a temporary directory that holds small stand-ins for the game's sounds and pictures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/sample_loader.h"
#include "framework/framework_module.h"
#include "framework/sprite.h"
#include "framework/state_manager.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "graphics/pixmap.h"
#include "graphics/png_decoder.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"
#include "system/event_queue.h"
#include "system/input.h"
#include "system/random.h"
#include "system/system_driver.h"
#include "system/window_registry.h"

namespace game_test {

// The sound files, told apart by their length in frames.
inline const std::vector<std::string>& SoundNames() {
  static const std::vector<std::string> names = {"laser.ogg", "buiu.ogg",
                                                 "fx1.ogg",   "backgroundmusic_menu.ogg",
                                                 "tubo5.ogg", "backgroundmusic_game.ogg"};
  return names;
}

// An 8-bit mono WAV of frames samples: the WAV loader reads it whatever its name says.
inline void WriteWav(const std::filesystem::path& path, uint32_t frames) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + frames);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16), u16(1), u16(1), u32(8000), u32(8000), u16(1), u16(8);
  std::fwrite("data", 1, 4, f);
  u32(frames);
  for (uint32_t i = 0; i < frames; ++i) std::fputc(128, f);
  std::fclose(f);
}

struct LoggingChannel : TAudioChannel {
  void Halt() override { log->push_back("halt #" + std::to_string(id)); }
  std::vector<std::string>* log = nullptr;
  int id = 0;
};

struct LoggingClip : TSoundClip {
  TAudioChannelRef Start(const TAudioChannelRef& channel) override {
    auto c = std::dynamic_pointer_cast<LoggingChannel>(channel);
    log->push_back(name + (loop ? " looping" : "") + " on #" + (c ? std::to_string(c->id) : "?"));
    return channel;
  }
  std::vector<std::string>* log = nullptr;
  std::string name;
  bool loop = false;
};

struct LoggingBackend : TAudioBackend {
  TSoundClipRef CreateSoundClip(const TSampleBufferRef& sample, int32_t flags) override {
    auto clip = std::make_shared<LoggingClip>();
    clip->log = &log;
    clip->loop = flags & SoundLoop;
    size_t index = sample->length - 100;
    clip->name = index < SoundNames().size() ? SoundNames()[index] : "?";
    return clip;
  }
  TAudioChannelRef OpenChannel() override {
    auto channel = std::make_shared<LoggingChannel>();
    channel->log = &log;
    channel->id = ++channels;
    return channel;
  }
  std::vector<std::string> log;
  int channels = 0;
};

constexpr uint32_t kWindow = 7;

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFramework();
    InitGraphics();
    InitAudioBackend();
    InitAudioLoaders();
    previousDir = std::filesystem::current_path();
    dir = std::filesystem::temp_directory_path() /
          ("letterfight_game_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (size_t i = 0; i < SoundNames().size(); ++i) WriteWav(dir / SoundNames()[i], 100 + i);
    for (const char* name : {"background.png", "background_menu.png"}) {
      auto pixmap = NewPixmap(4, 4, PF_RGBA8888, 4);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) WritePixelARGB(pixmap, x, y, 0xFF336699);
      SavePixmapPng(pixmap, (dir / name).string(), 6);
    }
    std::filesystem::current_path(dir);

    clock = InstallFakeSystemDriver(50000);
    RegisterTranslatingWindow(kWindow);
    driver = InstallRecordingRenderDriver();
    ASSERT_NE(OpenGraphics(1024, 768, 32, 0, 0), nullptr);
    UseFont(nullptr);
    font = CurrentFont();
    TSprite::SetVirtualScale(1, 1);
    FrameDelta = 1;
    sound = std::make_shared<LoggingBackend>();
    SetAudioBackend(sound);
    SetRandomSeed(0);  // the start-up seed
    FlushInput();
  }

  void TearDown() override {
    SetAudioBackend(nullptr);
    CloseAppGraphics();
    UnregisterWindowProc(kWindow);
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
    TSprite::SetVirtualScale(1, 1);
    FrameDelta = 1;
    std::filesystem::current_path(previousDir);
    std::filesystem::remove_all(dir);
  }

  // A key pressed and let go, or held, and a typed character, as the window would get them.
  void Press(int32_t key) {
    clock->Post({.kind = kMessageKeyDown, .window = kWindow, .key = key});
    clock->Post({.kind = kMessageKeyUp, .window = kWindow, .key = key});
  }
  void Hold(int32_t key, bool down) {
    clock->Post({.kind = down ? kMessageKeyDown : kMessageKeyUp, .window = kWindow, .key = key});
  }
  void Type(int32_t character) {
    clock->Post({.kind = kMessageChar, .window = kWindow, .character = character});
  }

  // One frame of the game's loop on the manager, drawing recorded afresh, then ms pass.
  void Frame(int32_t ms = 16) {
    driver->ClearCalls();
    manager.HandleEvents();
    manager.Update();
    manager.Draw();
    clock->now += ms;
  }

  // The text drawn in the last frame, in drawing order.
  std::u16string DrawnText() { return driver->DrawnText(font); }

  std::filesystem::path previousDir, dir;
  std::shared_ptr<TFakeSystemDriver> clock;
  TRecordingRenderDriverRef driver;
  TGlyphFontRef font;
  std::shared_ptr<LoggingBackend> sound;
  TStateManager manager;
};

}  // namespace game_test
