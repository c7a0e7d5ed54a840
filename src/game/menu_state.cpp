#include "game/menu_state.h"

#include "framework/helpers.h"
#include "framework/sprite.h"
#include "game/letter_fight_state.h"
#include "graphics/draw_graphics.h"
#include "graphics/graphics.h"
#include "system/input.h"

void TMenuState::Init() {
  FlushInput();
  BuildMenu();
  LoadResources();
  moveSound = LoadSoundFile("laser.ogg", 0);
  deniedSound = LoadSoundFile("buiu.ogg", 0);
  confirmSound = LoadSoundFile("fx1.ogg", 0);
  music = LoadSoundFile("backgroundmusic_menu.ogg", SoundLoop);
  effectChannel = NewChannel();
  musicChannel = NewChannel();
  StartSound(music, musicChannel);
}

void TMenuState::Cleanup() {
  HaltChannel(musicChannel);
}

void TMenuState::HandleEvents(TStateManager& manager) {
  if (KeyHitCount(27)) manager.Quit();  // Escape; the rest of the step still runs
  if (KeyHitCount(40)) {                // Down
    StartSound(moveSound, effectChannel);
    menu->SelectNext();
  } else if (KeyHitCount(38)) {  // Up, read only when Down was not hit
    StartSound(moveSound, effectChannel);
    menu->SelectPrevious();
  }
  if (KeyHitCount(13)) {  // Enter
    switch (menu->SelectedId()) {
      case MenuLetterFight:
        StartSound(confirmSound, effectChannel);
        ChangeState(manager, std::make_shared<TLetterFightState>());
        break;
      case MenuQuit:
        manager.Quit();
        break;
      default:
        StartSound(deniedSound, effectChannel);
        break;
    }
  }
}

void TMenuState::Draw(TStateManager& manager) {
  ResetDrawState();
  SetBlendMode(3);
  // A picture that failed to load is simply not drawn.
  if (background) DrawImageStretched(background, 0, 0, ScreenWidth(), ScreenHeight(), 0);
  ResetDrawState();
  menu->Draw();
}

void TMenuState::BuildMenu() {
  menu = std::make_shared<TTextMenu>()->SetPosition(ScreenWidth() / 2.0f,
                                                    ScreenHeight() - 300 * VirtualScaleY);
  menu->AddItem(u"LETTER FIGHT", MenuLetterFight);
  menu->AddItem(u"WORD FIGHT", MenuWordFight);
  menu->AddItem(u"HIGHSCORE", MenuHighscore);
  menu->AddItem(u"CREDITS", MenuCredits);
  menu->AddItem(u"BEENDEN", MenuQuit);
  menu->normalStyle->scale.Set(1.5f * VirtualScaleX, 1.3f * VirtualScaleY);
  menu->normalStyle->color.Set(255, 255, 255);
  menu->normalStyle->SetShadow(3, 2, 0.7f);
  menu->selectedStyle->scale.Set(1.5f * VirtualScaleX, 1.5f * VirtualScaleY);
  menu->selectedStyle->color.Set(255, 100, 100);
  menu->selectedStyle->SetShadow(-3, -2, 0.7f);
}

void TMenuState::LoadResources() {
  SetAutoMidHandle(0);
  background = LoadImageFile("background_menu.png", -1);
}
