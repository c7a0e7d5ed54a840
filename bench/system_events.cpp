// Costs on the input path: one key press and release from window message to polled state, a
// query that finds SDL's queue empty, and one random draw.
#include <benchmark/benchmark.h>

#include "system/event_queue.h"
#include "system/input.h"
#include "system/message_translator.h"
#include "system/random.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

constexpr uint32_t kWindow = 1;

void StartInput() {
  InitSystem();
  RegisterWindowProc(kWindow, [](const TWindowMessage& m) { TranslateWindowMessage(m, nullptr); });
  EnableInputPolling(nullptr);
}

void BM_KeyPressThroughTranslatorAndListeners(benchmark::State& state) {
  StartInput();
  TWindowMessage down{.kind = kMessageKeyDown, .window = kWindow, .key = 65, .scanCode = 0x1E};
  TWindowMessage up = down;
  up.kind = kMessageKeyUp;
  for (auto _ : state) {
    DeliverWindowMessage(down);
    DeliverWindowMessage(up);
    FlushQueuedEvents();
  }
  benchmark::DoNotOptimize(KeyHitCount(65));
}
BENCHMARK(BM_KeyPressThroughTranslatorAndListeners);

void BM_KeyHitCountWithAnEmptySdlQueue(benchmark::State& state) {
  StartInput();
  for (auto _ : state) benchmark::DoNotOptimize(KeyHitCount(27));
}
BENCHMARK(BM_KeyHitCountWithAnEmptySdlQueue);

void BM_RandomInt(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RandomInt(65, 90));
}
BENCHMARK(BM_RandomInt);

}  // namespace

BENCHMARK_MAIN();
