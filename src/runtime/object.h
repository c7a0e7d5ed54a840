// The root of the untyped object references: hook data and context, event sources and extras.
#pragma once

#include <memory>
#include <string>

class TObject : public std::enable_shared_from_this<TObject> {
 public:
  virtual ~TObject() = default;

  // Ordering used by lists for removal and sorting. Ordinary objects are equal only to
  // themselves; unrelated objects order by address so that a sort is at least consistent.
  virtual int Compare(const TObject& other) const;

  // The object's text form.
  virtual std::u16string ToString() const;
};

using TObjectRef = std::shared_ptr<TObject>;

// A string as an object, for the places that pass strings where objects go (event extras).
class TStringObject : public TObject {
 public:
  explicit TStringObject(std::u16string text) : text(std::move(text)) {}
  int Compare(const TObject& other) const override;
  std::u16string ToString() const override { return text; }

  const std::u16string text;
};

std::shared_ptr<TStringObject> MakeStringObject(std::u16string text);
