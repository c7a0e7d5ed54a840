// The text menu widget: a vertical list of entries centred on one x, with a normal and a
// selected style (colour, alpha, scale, blend mode, shadow, outline).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/color.h"
#include "framework/vector2.h"
#include "runtime/list.h"
#include "runtime/object.h"

class TTextStyle : public TObject {
 public:
  void SetShadow(float x, float y, float shadowAlpha);
  void SetOutline(int32_t size, float alpha);
  void SetAlpha(float value) { alpha = value; }
  void SetBlend(int32_t mode) { blend = mode; }

  TColor color{255, 255, 255};
  float alpha = 1.0f;
  TColor outlineColor{255, 255, 255};
  int32_t outlineSize = 0;
  float outlineAlpha = 1.0f;
  int32_t outlineOn = 0;
  TColor shadowColor{0, 0, 0};
  float shadowAlpha = 1.0f;
  TVector2 shadowOffset;
  int32_t shadowOn = 0;
  // Applied as it is: callers fold the virtual-resolution factors in.
  TVector2 scale{1, 1};
  int32_t blend = 3;
};

class TMenuItem : public TObject {
 public:
  std::shared_ptr<TMenuItem> Create(const std::u16string& label, int32_t value);
  // Unscaled size in the current font.
  float Width() const;
  float Height() const;
  void Draw(float x, float y) const;

  int32_t id = 0;
  std::u16string text;
};
using TMenuItemRef = std::shared_ptr<TMenuItem>;

class TTextMenu : public TObject {
 public:
  std::shared_ptr<TTextMenu> SetPosition(float x, float y);
  void AddItem(const std::u16string& text, int32_t id);
  // -1 while nothing is selected.
  int32_t SelectedId() const;
  void SelectFirst();
  void SelectLast();
  // Both wrap around at the ends; nothing while nothing is selected.
  void SelectPrevious();
  void SelectNext();
  // Selects the first entry when nothing is selected yet, then draws every entry. Entries
  // are spaced by the normal style's height, so they keep their places when the selection
  // moves.
  void Draw();

  TList<TMenuItem> items;
  TMenuItemRef selected;
  // x: the centre of every entry; y: the top of the first.
  TVector2 position;
  std::shared_ptr<TTextStyle> normalStyle = std::make_shared<TTextStyle>();
  std::shared_ptr<TTextStyle> selectedStyle = std::make_shared<TTextStyle>();
};
using TTextMenuRef = std::shared_ptr<TTextMenu>;
