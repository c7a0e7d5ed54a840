// The round's sprites: TLetterSprite, a letter flying from right to left, and TFallingLetter,
// the tumbling, fading copy that replaces a letter the player has hit.
#pragma once

#include <memory>
#include <string>

#include "framework/sprite.h"

class TLetterSprite : public TSprite {
 public:
  // 1 against anything that is not a letter; otherwise the difference of the speeds truncated
  // toward zero, so speeds closer than 1 compare equal.
  int Compare(const TObject& other) const override;

  // Flies left at its speed and leaves its list once its right edge has passed the left edge
  // of the screen.
  void Update() override;
  void Draw() override;
  // Size on screen at the sprite's own scale, in the current font.
  float Width() const;
  float Height() const;
  std::shared_ptr<TLetterSprite> Create(TSpriteList& list);

  std::u16string text;
  float speed = 0;
};
using TLetterSpriteRef = std::shared_ptr<TLetterSprite>;

class TFallingLetter : public TLetterSprite {
 public:
  // Drifts left and falls ever faster, turning half a turn per screen height and fading out
  // toward the bottom edge; leaves its list once below the screen.
  void Update() override;
  std::shared_ptr<TFallingLetter> Create(TSpriteList& list);

  float fallSpeed = 0;
  // Where the letter was hit.
  float startY = 0;
};
using TFallingLetterRef = std::shared_ptr<TFallingLetter>;
