#include "framework/text_menu.h"

#include "framework/helpers.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"

void TTextStyle::SetShadow(float x, float y, float shadowAlpha_) {
  shadowOn = 1;
  shadowAlpha = shadowAlpha_;
  shadowOffset.Set(x, y);
}

void TTextStyle::SetOutline(int32_t size, float alpha_) {
  outlineOn = 1;
  outlineSize = size;
  outlineAlpha = alpha_;
}

std::shared_ptr<TMenuItem> TMenuItem::Create(const std::u16string& label, int32_t value) {
  text = label;
  id = value;
  return std::static_pointer_cast<TMenuItem>(shared_from_this());
}

float TMenuItem::Width() const {
  return static_cast<float>(TextPixelWidth(text));
}

float TMenuItem::Height() const {
  return static_cast<float>(FontLineHeight());
}

void TMenuItem::Draw(float x, float y) const {
  DrawTextAt(text, x, y);
}

std::shared_ptr<TTextMenu> TTextMenu::SetPosition(float x, float y) {
  position.Set(x, y);
  return std::static_pointer_cast<TTextMenu>(shared_from_this());
}

void TTextMenu::AddItem(const std::u16string& text, int32_t id) {
  items.AddLast(std::make_shared<TMenuItem>()->Create(text, id));
}

int32_t TTextMenu::SelectedId() const {
  return selected ? selected->id : -1;
}

void TTextMenu::SelectFirst() {
  if (!items.IsEmpty()) selected = items.First();
}

void TTextMenu::SelectLast() {
  if (!items.IsEmpty()) selected = items.Last();
}

void TTextMenu::SelectPrevious() {
  if (!selected) return;
  TMenuItemRef previous = PreviousInList(items, selected);
  if (previous)
    selected = previous;
  else
    SelectLast();
}

void TTextMenu::SelectNext() {
  if (!selected) return;
  TMenuItemRef next = NextInList(items, selected);
  if (next)
    selected = next;
  else
    SelectFirst();
}

void TTextMenu::Draw() {
  TVector2 cursor = position.Copy();
  if (!selected) SelectFirst();
  for (const TMenuItemRef& item : items) {
    const TTextStyle& style = item == selected ? *selectedStyle : *normalStyle;
    SetDrawScale(style.scale.x, style.scale.y);
    SetBlendMode(style.blend);
    float x = cursor.x - item->Width() * style.scale.x / 2.0f;
    if (style.shadowOn) {
      SetDrawAlpha(style.shadowAlpha);
      style.shadowColor.Apply();
      item->Draw(x + style.shadowOffset.x, cursor.y + style.shadowOffset.y);
    }
    if (style.outlineOn) {
      SetDrawAlpha(style.outlineAlpha);
      style.outlineColor.Apply();
      for (int32_t i = -style.outlineSize; i <= style.outlineSize; ++i) {
        for (int32_t j = -style.outlineSize; j <= style.outlineSize; ++j) {
          item->Draw(x + i, cursor.y + j);
        }
      }
    }
    SetDrawAlpha(style.alpha);
    style.color.Apply();
    item->Draw(x, cursor.y);
    cursor.y += item->Height() * normalStyle->scale.y;
  }
}
