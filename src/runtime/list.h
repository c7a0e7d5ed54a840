// TList: a doubly linked list of object references whose walks survive removal of the
// element being visited.
#pragma once

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "runtime/object.h"

// NOTE: links own their successor and only point back at their predecessor, so a link
// that leaves the list keeps its successor. A walker standing on a removed link therefore
// still finds the rest of the list, skipping any links that were removed after it.
template <class T = TObject>
class TList {
 public:
  using Ref = std::shared_ptr<T>;

  class TLink {
   public:
    const Ref& Value() const { return value_; }
    bool Removed() const { return removed_; }
    // The next live link, or null at the end.
    TLink* NextLink() const {
      TLink* l = succ_.get();
      while (l && l->removed_) l = l->succ_.get();
      return l && !l->sentinel_ ? l : nullptr;
    }
    // The previous live link, or null at the start; null for a removed link.
    TLink* PrevLink() const { return pred_ && !pred_->sentinel_ ? pred_ : nullptr; }

   private:
    friend class TList;
    Ref value_;
    std::shared_ptr<TLink> succ_;
    TLink* pred_ = nullptr;
    bool removed_ = false;
    bool sentinel_ = false;
  };

  // Walks the live elements in order; holds its current link so that the loop body may
  // remove the current element (or any other) from the list.
  class Walker {
   public:
    Walker() = default;
    explicit Walker(std::shared_ptr<TLink> at) : at_(std::move(at)) { SkipRemoved(); }
    Ref operator*() const { return at_->value_; }
    Walker& operator++() {
      at_ = at_->succ_;
      SkipRemoved();
      return *this;
    }
    bool operator==(const Walker& other) const { return at_ == other.at_; }

   private:
    void SkipRemoved() {
      while (at_ && at_->removed_) at_ = at_->succ_;
    }
    std::shared_ptr<TLink> at_;
  };

  TList() : head_(std::make_shared<TLink>()) {
    head_->sentinel_ = true;
    tail_ = head_.get();
  }
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  ~TList() { Clear(); }

  TLink* AddLast(Ref value) {
    auto link = std::make_shared<TLink>();
    link->value_ = std::move(value);
    link->pred_ = tail_;
    TLink* raw = link.get();
    tail_->succ_ = std::move(link);
    tail_ = raw;
    ++count_;
    return raw;
  }

  bool IsEmpty() const { return count_ == 0; }
  int Count() const { return static_cast<int>(count_); }
  Ref First() const { return count_ ? head_->succ_->value_ : nullptr; }
  Ref Last() const { return count_ ? tail_->value_ : nullptr; }
  TLink* FirstLink() const { return count_ ? head_->succ_.get() : nullptr; }
  TLink* LastLink() const { return count_ ? tail_ : nullptr; }

  // The link of the first element that compares equal to value, or null.
  TLink* FindLink(const T& value) const {
    for (TLink* l = FirstLink(); l; l = l->NextLink()) {
      if (l->value_ && l->value_->Compare(value) == 0) return l;
    }
    return nullptr;
  }
  TLink* FindLink(const Ref& value) const { return value ? FindLink(*value) : nullptr; }

  // Removes the first element that compares equal to value; false when there is none.
  bool Remove(const Ref& value) {
    TLink* l = FindLink(value);
    if (!l) return false;
    RemoveLink(l);
    return true;
  }

  void RemoveLink(TLink* link) {
    if (!link || link->removed_ || link->sentinel_) return;
    TLink* pred = link->pred_;
    std::shared_ptr<TLink> self = pred->succ_;  // keeps link alive while it is unlinked
    if (link->succ_) link->succ_->pred_ = pred;
    pred->succ_ = link->succ_;
    if (tail_ == link) tail_ = pred;
    link->pred_ = nullptr;
    link->removed_ = true;
    link->value_.reset();
    --count_;
  }

  void Clear() {
    // Iterative, so that a long list does not unwind recursively through its links.
    std::shared_ptr<TLink> l = std::move(head_->succ_);
    while (l) {
      std::shared_ptr<TLink> next = std::move(l->succ_);
      l->removed_ = true;
      l->pred_ = nullptr;
      l->value_.reset();
      l = std::move(next);
    }
    tail_ = head_.get();
    count_ = 0;
  }

  // Stable ascending sort by the elements' Compare: an insertion sort that relinks the
  // existing links, so links held outside the list (a sprite's own link) stay valid, nothing
  // is allocated, and a list that is sorted but for its last few elements costs little.
  // NOTE: an element moves back only past elements that compare greater than it, as a sort
  // of neighbour swaps does; comparisons that are no strict weak order (speeds compared by
  // their truncated difference) then still give that sort's one result.
  void Sort() {
    if (count_ < 2) return;
    TLink* sorted_end = head_->succ_.get();
    while (TLink* link = sorted_end->succ_.get()) {
      TLink* after = sorted_end;
      while (!after->sentinel_ && Compare(after->value_, link->value_) > 0) after = after->pred_;
      if (after == sorted_end) {
        sorted_end = link;
        continue;
      }
      std::shared_ptr<TLink> self = std::move(sorted_end->succ_);
      sorted_end->succ_ = std::move(link->succ_);
      if (sorted_end->succ_) sorted_end->succ_->pred_ = sorted_end;
      link->succ_ = std::move(after->succ_);
      link->succ_->pred_ = link;
      link->pred_ = after;
      after->succ_ = std::move(self);
    }
    tail_ = sorted_end;
  }

  Walker begin() const { return Walker(head_->succ_); }
  Walker end() const { return Walker(); }

 private:
  static int Compare(const Ref& a, const Ref& b) {
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    return a->Compare(*b);
  }

  std::shared_ptr<TLink> head_;
  TLink* tail_;
  size_t count_ = 0;
};
