// A fixed ring of voice pointers with one producer thread and one consumer thread, and no lock.
#pragma once

#include <atomic>
#include <cstdint>

// 4096 entries, of which 4095 can be in use: the ring is empty when its two indices are equal,
// so one entry always stays free to tell full from empty. An entry is written before the write
// index that publishes it (release) and read after that index is seen (acquire); the read index
// hands the entry back to the producer the same way.
template <typename T>
class TVoiceRing {
 public:
  static constexpr int32_t Size = 4096;

  // Producer side. False when the ring is full; nothing is changed then.
  bool Push(T* item) {
    const int32_t w = write_.load(std::memory_order_relaxed);
    const int32_t next = (w + 1) & (Size - 1);
    if (next == read_.load(std::memory_order_acquire)) return false;
    items_[w] = item;
    write_.store(next, std::memory_order_release);
    return true;
  }

  bool Full() const {
    const int32_t next = (write_.load(std::memory_order_relaxed) + 1) & (Size - 1);
    return next == read_.load(std::memory_order_acquire);
  }

  // Consumer side. The oldest entry, or null when the ring is empty.
  T* Pop() {
    const int32_t r = read_.load(std::memory_order_relaxed);
    if (r == write_.load(std::memory_order_acquire)) return nullptr;
    T* item = items_[r];
    read_.store((r + 1) & (Size - 1), std::memory_order_release);
    return item;
  }

  bool Empty() const {
    return read_.load(std::memory_order_relaxed) == write_.load(std::memory_order_acquire);
  }

 private:
  T* items_[Size] = {};
  // Each index on its own cache line, so the two threads do not share one.
  alignas(64) std::atomic<int32_t> read_{0};
  alignas(64) std::atomic<int32_t> write_{0};
};
