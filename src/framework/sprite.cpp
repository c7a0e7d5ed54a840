#include "framework/sprite.h"

#include "framework/helpers.h"
#include "graphics/draw_graphics.h"
#include "runtime/runtime_error.h"

float VirtualScaleX = 1.0f;
float VirtualScaleY = 1.0f;
float FrameDelta = 1.0f;

void TSprite::SetVirtualScale(float sx, float sy) {
  VirtualScaleX = sx;
  VirtualScaleY = sy;
}

void TSprite::SetVirtualDrawScale(float x, float y) {
  SetDrawScale(x * VirtualScaleX, y * VirtualScaleY);
}

void TSprite::CopyFrom(const TSprite& other) {
  position = other.position.Copy();
  scale = other.scale.Copy();
  color = other.color.Copy();
  rotation = other.rotation;
  alpha = other.alpha;
  blend = other.blend;
}

void TSprite::AddTo(TSpriteList& list) {
  link = list.AddLast(std::static_pointer_cast<TSprite>(shared_from_this()));
  list_ = &list;
}

void TSprite::RemoveFromList() {
  if (!list_ || !link) return;
  // The list may hold the last reference: stay alive until the unlinking is done.
  auto self = shared_from_this();
  TSpriteList* list = list_;
  TSpriteList::TLink* node = link;
  list_ = nullptr;
  link = nullptr;
  list->RemoveLink(node);
}

void TSprite::ApplyDrawState() {
  SetDrawColor(color.r, color.g, color.b);
  SetBlendMode(blend);
  SetDrawAlpha(alpha);
  SetDrawScale(scale.x * VirtualScaleX, scale.y * VirtualScaleY);
  SetDrawRotation(rotation);
}

void TSprite::Move(float dx, float dy) {
  position.x = position.x + dx * FrameDelta * VirtualScaleX;
  position.y = position.y + dy * FrameDelta * VirtualScaleY;
}

void TSprite::Update() {
  AbstractMethod();
}

void TSprite::Draw() {
  AbstractMethod();
}

void UpdateAndDrawSprites(const TSpriteList& list) {
  ResetDrawState();
  // The walker holds the current node and *it a reference to the sprite, so a sprite that
  // leaves the list in Update is still whole for its Draw.
  for (auto it = list.begin(); it != list.end(); ++it) {
    TSpriteRef sprite = *it;
    if (!sprite) continue;
    sprite->Update();
    sprite->Draw();
  }
}
