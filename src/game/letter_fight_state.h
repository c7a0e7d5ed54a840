// The letter-fight round: letters fly in from the right, typed letters score, misses cost.
// Waves come faster as the score grows and bring more, faster letters as time passes; the
// round ends the program after 180 seconds, and Escape goes back to the menu.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/audio_backend.h"
#include "framework/sprite.h"
#include "framework/state_manager.h"
#include "framework/timer.h"
#include "graphics/image.h"

class TLetterFightState : public TGameState {
 public:
  void Init() override;
  // Halts the music, then the hit sound.
  void Cleanup() override;
  void Pause() override {}
  void Resume() override {}
  void HandleEvents(TStateManager& manager) override;
  // Spawns the due wave and takes one typed character.
  void Update(TStateManager& manager) override;
  // Background, the letters (which move here), the falling letters, the score line.
  void Draw(TStateManager& manager) override;
  void CreateLists();
  void LoadResources();

  TImageRef background;
  std::shared_ptr<TSpriteList> letters;  // in flight, kept sorted by speed
  std::shared_ptr<TSpriteList> fallingLetters;
  std::shared_ptr<TDeltaTimer> frameTimer;
  std::shared_ptr<TIntervalTimer> spawnTimer;
  std::shared_ptr<TIntervalTimer> roundTimer;
  TSoundClipRef hitSound;
  TSoundClipRef music;
  TAudioChannelRef effectChannel;
  TAudioChannelRef musicChannel;
  int32_t score = 0;
  // Score at which the pause between waves has shrunk to 200 ms.
  int32_t rampScore = 0;
  int32_t roundSeconds = 0;

 private:
  void SpawnWave(int32_t count, float low, float high);
  void TakeTypedChar();
};
