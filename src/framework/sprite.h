// TSprite, the base of everything that moves on screen, with the virtual-resolution factors
// and the frame length that scale its movement, and UpdateAndDrawSprites, one frame of a list.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/color.h"
#include "framework/vector2.h"
#include "runtime/list.h"
#include "runtime/object.h"

// Screen width / 1024 and height / 768: the game is laid out for a 1024 x 768 screen.
extern float VirtualScaleX;
extern float VirtualScaleY;
// Length of the current frame in frames of 1/60 s.
extern float FrameDelta;

class TSprite;
using TSpriteRef = std::shared_ptr<TSprite>;
using TSpriteList = TList<TSprite>;

class TSprite : public TObject {
 public:
  static void SetVirtualScale(float sx, float sy);
  // Sets the drawing scale to (x, y) corrected for the real screen.
  static void SetVirtualDrawScale(float x, float y);

  // Copies position, scale and colour (as fresh values), rotation, alpha and blend mode; the
  // list membership stays.
  void CopyFrom(const TSprite& other);
  // Appends the sprite to list and remembers its node there.
  void AddTo(TSpriteList& list);
  // Takes the sprite out of the list it was added to, by its node: never by comparison, since
  // sprites may compare equal without being the same. Nothing when it is in no list.
  void RemoveFromList();
  void ApplyDrawState();
  // Moves by (dx, dy) pixels per nominal frame, scaled by the frame length and the virtual
  // resolution.
  void Move(float dx, float dy);
  virtual void Update();
  virtual void Draw();

  TSpriteList::TLink* link = nullptr;
  TVector2 position;
  TVector2 scale{1, 1};
  TColor color{255, 255, 255};
  float rotation = 0;
  float alpha = 1.0f;
  int32_t blend = 3;

 private:
  // NOTE: the list a sprite was added to must outlive its membership; the game's lists live as
  // long as the screen that owns them and its sprites.
  TSpriteList* list_ = nullptr;
};

// Resets the drawing state, then updates and draws each sprite in turn. A sprite that leaves
// the list in its Update is still drawn this once, and the walk goes on after it.
void UpdateAndDrawSprites(const TSpriteList& list);
