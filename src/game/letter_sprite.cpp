#include "game/letter_sprite.h"

#include "framework/helpers.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"

int TLetterSprite::Compare(const TObject& other) const {
  auto* letter = dynamic_cast<const TLetterSprite*>(&other);
  if (!letter) return 1;
  return static_cast<int>(speed - letter->speed);
}

void TLetterSprite::Update() {
  Move(-speed, 0);
  if (!(position.x >= 0 - Width())) RemoveFromList();
}

void TLetterSprite::Draw() {
  ApplyDrawState();
  DrawTextAt(text, position.x, position.y);
}

float TLetterSprite::Width() const {
  return static_cast<float>(TextPixelWidth(text)) * scale.x;
}

float TLetterSprite::Height() const {
  return static_cast<float>(FontLineHeight()) * scale.y;
}

std::shared_ptr<TLetterSprite> TLetterSprite::Create(TSpriteList& list) {
  AddTo(list);
  return std::static_pointer_cast<TLetterSprite>(shared_from_this());
}

void TFallingLetter::Update() {
  fallSpeed = fallSpeed + FrameDelta * (speed * 0.05f);
  Move(-speed, fallSpeed);
  float height = static_cast<float>(ScreenHeight());
  rotation = Lerp(0, 180, (position.y - startY) / height);
  alpha = Lerp(1, 0, (position.y - startY) / (height - startY));
  if (!(position.y <= height)) RemoveFromList();
}

std::shared_ptr<TFallingLetter> TFallingLetter::Create(TSpriteList& list) {
  AddTo(list);
  return std::static_pointer_cast<TFallingLetter>(shared_from_this());
}
