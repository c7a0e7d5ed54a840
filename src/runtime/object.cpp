#include "runtime/object.h"

#include <functional>

int TObject::Compare(const TObject& other) const {
  std::less<const TObject*> less;
  if (this == &other) return 0;
  return less(this, &other) ? -1 : 1;
}

std::u16string TObject::ToString() const {
  return u"";
}

int TStringObject::Compare(const TObject& other) const {
  auto* s = dynamic_cast<const TStringObject*>(&other);
  if (!s) return TObject::Compare(other);
  return text.compare(s->text) < 0 ? -1 : (text == s->text ? 0 : 1);
}

std::shared_ptr<TStringObject> MakeStringObject(std::u16string text) {
  return std::make_shared<TStringObject>(std::move(text));
}
