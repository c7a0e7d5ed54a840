// The letter-fight round at its hardest, run as the game runs it under an X display
// (Xvfb :N -screen 0 1024x768x24): the real start-up to the menu's first presented frame, Enter
// to the round's first presented frame, then the round from 140 s on at score 3000 (a wave of 3
// letters every frame) with a player typing a character a second: 10 s to fill the screen,
// then the 30 s to the round's end measured, update (spawning, sorting, typing) and drawing
// (moving and drawing every sprite, the HUD) timed apart from presenting. Last, the letter
// list's Sort after one insertion at growing lengths, which must stay close to linear.
//
// Usage: bench_round_bench [GAME_DIR]  (GAME_DIR holds the game's assets: build/bin)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_module.h"
#include "framework/framework_module.h"
#include "framework/sprite.h"
#include "framework/state_manager.h"
#include "game/letter_fight_state.h"
#include "game/letter_sprite.h"
#include "game/menu_state.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "runtime/module_init.h"
#include "system/event.h"
#include "system/random.h"
#include "system/system_driver.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kStart = Clock::now();

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct TStats {
  std::vector<double> samples;
  void Add(double ms) { samples.push_back(ms); }
  void Print(const char* name) {
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples) sum += s;
    auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    std::printf("  %-26s mean %6.2f ms  median %6.2f  p95 %6.2f  max %6.2f\n", name,
                sum / samples.size(), at(0.5), at(0.95), samples.back());
  }
};

void Frame(TStateManager& manager) {
  ClearScreen();
  manager.HandleEvents();
  manager.Update();
  manager.Draw();
  FlipScreen(0);
}

// The list's Sort after appending one letter to a sorted list of n, as every spawned letter
// is sorted in: nanoseconds per call.
double SortAfterInsertNs(int n) {
  TSpriteList list;
  SetRandomSeed(0);
  for (int i = 0; i < n; ++i) {
    std::make_shared<TLetterSprite>()->Create(list)->speed =
        static_cast<float>(RandomFloat(1.0, 5.25));
  }
  list.Sort();
  const int rounds = 2000;
  auto t = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    auto letter = std::make_shared<TLetterSprite>()->Create(list);
    letter->speed = static_cast<float>(RandomFloat(1.0, 5.25));
    list.Sort();
    list.First()->RemoveFromList();  // keep the length
  }
  return MsSince(t) * 1e6 / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = argc > 1 ? argv[1] : "build/bin";
  std::filesystem::current_path(dir);

  // Start-up as the game does it, to its first presented menu frame.
  InitRuntime();
  InitFramework();
  InitGraphics();
  InitAudio();
  auto opening = Clock::now();
  if (!OpenGraphics(1024, 768, 32, 85, 0)) {
    std::fprintf(stderr, "round_bench: cannot open the screen (is DISPLAY set?)\n");
    return 1;
  }
  double openMs = MsSince(opening);
  TSprite::SetVirtualScale(ScreenWidth() / 1024.0f, ScreenHeight() / 768.0f);
  UseFont(LoadFontFile("arial.ttf", 32, FontStyleSmooth));
  TStateManager manager;
  manager.ChangeState(std::make_shared<TMenuState>());
  Frame(manager);
  double firstMenuMs = MsSince(kStart);
  std::printf("start to first menu frame: %.0f ms (of which OpenGraphics %.0f ms)\n", firstMenuMs,
              openMs);

  // Enter on LETTER FIGHT: what the menu does, then the round's first frame.
  auto enter = Clock::now();
  auto round = std::make_shared<TLetterFightState>();
  manager.ChangeState(round);
  Frame(manager);
  std::printf("Enter to first round frame: %.0f ms\n", MsSince(enter));

  // At its hardest: 140 s in, 3000 points.
  round->score = 3000;
  round->roundTimer->startTime -= 140000;
  TStats update, draw, flip, frame;
  std::vector<int> letterCounts, fallingCounts;
  const char16_t* typing = u"ETAOINSHRDLUCMFWYPVBGKQJXZ";
  int typed = 0;
  auto nextKey = Clock::now();
  bool measuring = false;
  auto measured = Clock::now();
  while (manager.IsRunning()) {
    if (!measuring && round->roundTimer->ElapsedSeconds() >= 150) {
      measuring = true;
      measured = Clock::now();
    }
    if (Clock::now() >= nextKey) {
      DispatchEvent(MakeEvent(kEventKeyChar, nullptr, typing[typed++ % 26]));
      nextKey += std::chrono::milliseconds(1000);
    }
    auto t0 = Clock::now();
    ClearScreen();
    manager.HandleEvents();
    manager.Update();
    auto t1 = Clock::now();
    manager.Draw();
    auto t2 = Clock::now();
    FlipScreen(0);
    auto t3 = Clock::now();
    if (!measuring) continue;
    auto ms = [](auto a, auto b) {
      return std::chrono::duration<double, std::milli>(b - a).count();
    };
    update.Add(ms(t0, t1));
    draw.Add(ms(t1, t2));
    flip.Add(ms(t2, t3));
    frame.Add(ms(t0, t3));
    letterCounts.push_back(round->letters->Count());
    fallingCounts.push_back(round->fallingLetters->Count());
  }
  double seconds = MsSince(measured) / 1000;
  auto mean = [](const std::vector<int>& v) {
    double s = 0;
    for (int x : v) s += x;
    return v.empty() ? 0 : s / v.size();
  };
  std::printf(
      "hardest 30 s (150 s to the end, score %d at the end): %zu frames in %.1f s, %.1f fps\n",
      round->score, frame.samples.size(), seconds, frame.samples.size() / seconds);
  std::printf("  letters in flight: mean %.0f, max %d; falling: mean %.0f, max %d\n",
              mean(letterCounts), *std::max_element(letterCounts.begin(), letterCounts.end()),
              mean(fallingCounts), *std::max_element(fallingCounts.begin(), fallingCounts.end()));
  update.Print("update (spawn, sort, type)");
  draw.Print("draw (move, sprites, HUD)");
  flip.Print("present");
  frame.Print("whole frame");

  std::printf("Sort after one insertion:\n");
  for (int n : {250, 500, 1000, 2000, 4000}) {
    double ns = SortAfterInsertNs(n);
    std::printf("  %5d letters: %8.0f ns, %.2f ns per letter\n", n, ns, ns / n);
  }
  return 0;
}
