#include "game/letter_fight_state.h"

#include "framework/helpers.h"
#include "game/letter_sprite.h"
#include "game/menu_state.h"
#include "graphics/draw_graphics.h"
#include "graphics/graphics.h"
#include "runtime/text.h"
#include "system/input.h"
#include "system/random.h"

void TLetterFightState::Init() {
  FlushInput();
  CreateLists();
  LoadResources();
  hitSound = LoadSoundFile("tubo5.ogg", 0);
  music = LoadSoundFile("backgroundmusic_game.ogg", SoundLoop);
  effectChannel = NewChannel();
  musicChannel = NewChannel();
  rampScore = 2000;
  roundSeconds = 180;
  spawnTimer = std::make_shared<TIntervalTimer>();
  roundTimer = std::make_shared<TIntervalTimer>();
  frameTimer = std::make_shared<TDeltaTimer>();
  frameTimer->Create(60);
  roundTimer->SetIntervalSeconds(roundSeconds);
  StartSound(music, musicChannel);
}

void TLetterFightState::Cleanup() {
  HaltChannel(musicChannel);
  HaltChannel(effectChannel);
}

void TLetterFightState::HandleEvents(TStateManager& manager) {
  if (KeyHitCount(27)) ChangeState(manager, std::make_shared<TMenuState>());
  if (roundTimer->IsDue()) manager.Quit();
}

void TLetterFightState::Update(TStateManager& manager) {
  frameTimer->Update();
  FrameDelta = frameTimer->GetDelta();
  int32_t e = roundTimer->ElapsedSeconds();
  // Not clamped: past rampScore the interval goes to 0 and below, a wave every frame.
  spawnTimer->SetInterval(static_cast<int32_t>(
      Lerp(1000, 200, static_cast<float>(score) / static_cast<float>(rampScore))));
  float t = static_cast<float>(e) / static_cast<float>(roundSeconds);
  auto count = static_cast<int32_t>(Lerp(1, 4, t));
  float low = 1.0f;
  float high = Lerp(1.5f, 6, t);
  if (spawnTimer->IsDue()) SpawnWave(count, low, high);
  TakeTypedChar();
}

void TLetterFightState::SpawnWave(int32_t count, float low, float high) {
  int32_t i = 0;
  do {
    auto speed = static_cast<float>(RandomFloat(low, high));
    auto letter = std::make_shared<TLetterSprite>()->Create(*letters);
    letter->text = std::u16string(1, static_cast<char16_t>(RandomInt(65, 90)));
    letter->scale.Set(1.2f, 1.2f);
    letter->position.Set(static_cast<float>(ScreenWidth()),
                         static_cast<float>(RandomFloat(0, ScreenHeight() - letter->Height())));
    letter->speed = speed;
    letter->color.Set(0, 0, 0);
    letter->blend = 3;
    // Nearly sorted already: the new letter is last, so the neighbour-swapping sort only
    // moves it back to its place.
    letters->Sort();
  } while (++i < count);
}

void TLetterFightState::TakeTypedChar() {
  int32_t c = NextTypedChar();
  if (c <= 32 || c >= 123) return;
  if (c >= 'a' && c <= 'z') c -= 32;
  std::u16string typed(1, static_cast<char16_t>(c));
  bool hit = false;
  for (auto it = letters->begin(); it != letters->end(); ++it) {
    auto letter = std::dynamic_pointer_cast<TLetterSprite>(*it);
    if (!letter || letter->text != typed) continue;
    // By its own node: letters of nearly equal speed compare equal, so a search by
    // comparison could take out a different letter.
    letter->RemoveFromList();
    score += 2;
    auto falling = std::make_shared<TFallingLetter>()->Create(*fallingLetters);
    falling->CopyFrom(*letter);
    falling->text = letter->text;
    falling->speed = letter->speed;
    falling->startY = letter->position.y;
    int32_t b = RandomInt(0, 200);
    int32_t g = RandomInt(0, 200);
    int32_t r = RandomInt(0, 200);
    falling->color.Set(r, g, b);
    StartSound(hitSound, effectChannel);
    hit = true;
  }
  if (!hit) score -= 4;
  if (score < 0) score = 0;
}

void TLetterFightState::Draw(TStateManager& manager) {
  ResetDrawState();
  // A picture that failed to load is simply not drawn.
  if (background) DrawImageStretched(background, 0, 0, ScreenWidth(), ScreenHeight(), 0);
  UpdateAndDrawSprites(*letters);
  UpdateAndDrawSprites(*fallingLetters);

  ResetDrawState();
  TSprite::SetVirtualDrawScale(1, 1);
  SetDrawColor(128, 0, 0);
  SetBlendMode(3);
  DrawTextAt(u"SCORE: " + IntText(score), 10 * VirtualScaleX, 10 * VirtualScaleY);
  DrawTextAt(u"Time: " + IntText(roundSeconds - roundTimer->ElapsedSeconds()),
             ScreenWidth() - 160 * VirtualScaleX, 10 * VirtualScaleY);
  if (KeyIsDown(9)) DrawTextAt(u"FPS: " + IntText(FramesPerSecond()), 10, 60);
}

void TLetterFightState::CreateLists() {
  letters = std::make_shared<TSpriteList>();
  fallingLetters = std::make_shared<TSpriteList>();
}

void TLetterFightState::LoadResources() {
  SetAutoMidHandle(0);
  background = LoadImageFile("background.png", -1);
}
