// The main menu: five entries over a background picture and music. Up and Down move the
// selection, Enter chooses, Escape ends the program.
#pragma once

#include "audio/audio_backend.h"
#include "framework/state_manager.h"
#include "framework/text_menu.h"
#include "graphics/image.h"

// Ids of the menu's entries.
enum TMenuChoice : int32_t {
  MenuLetterFight = 0,
  MenuWordFight = 1,
  MenuHighscore = 2,
  MenuCredits = 3,
  MenuQuit = 4,
};

class TMenuState : public TGameState {
 public:
  // Builds the menu, loads picture and sounds and starts the music from its beginning.
  void Init() override;
  // Halts the music; an effect already started plays on.
  void Cleanup() override;
  void Pause() override {}
  void Resume() override {}
  void HandleEvents(TStateManager& manager) override;
  void Update(TStateManager& manager) override {}
  void Draw(TStateManager& manager) override;
  void BuildMenu();
  void LoadResources();

  TImageRef background;
  TTextMenuRef menu;
  TSoundClipRef moveSound;
  TSoundClipRef deniedSound;
  TSoundClipRef confirmSound;
  TSoundClipRef music;
  TAudioChannelRef effectChannel;
  TAudioChannelRef musicChannel;
};
