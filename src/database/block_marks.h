// Bookkeeping of the tools that walk a whole file (check, dump): a word or a
// bit for each block of a file of up to 16,777,215 blocks, and a stack of work
// still to do. Words and bits live in pages taken when a block of theirs is
// first marked, so memory follows the blocks a walk reaches: for a 4 GiB file
// at most 64 MB per word array and 2 MB per bit set, for a sparse one next to
// nothing. Memory that cannot be had is reported (false), never thrown.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <new>

#include "database/database_format.h"

class PagedWords {
 public:
  PagedWords() {
    for (uint32_t*& page : pages_) page = nullptr;
  }
  ~PagedWords() {
    for (uint32_t* page : pages_) delete[] page;
  }
  PagedWords(const PagedWords&) = delete;
  PagedWords& operator=(const PagedWords&) = delete;

  // 0 for a word never set; i must be below MaxWords.
  uint32_t Get(uint32_t i) const {
    const uint32_t* page = pages_[i >> PageShift];
    return page ? page[i & PageMask] : 0;
  }
  // Null when the page cannot be had.
  uint32_t* At(uint32_t i) {
    uint32_t*& page = pages_[i >> PageShift];
    if (!page) page = new (std::nothrow) uint32_t[PageWords]();
    return page ? &page[i & PageMask] : nullptr;
  }

  static const uint32_t MaxWords = MaxBlockNumber + 1;

 private:
  static const uint32_t PageShift = 14;  // 16,384 words, 64 KB
  static const uint32_t PageWords = 1u << PageShift;
  static const uint32_t PageMask = PageWords - 1;
  uint32_t* pages_[(MaxWords + PageWords - 1) / PageWords];
};

// One word per block.
class BlockWords {
 public:
  uint32_t Get(uint32_t block) const { return words_.Get(block); }
  bool Set(uint32_t block, uint32_t value) {
    uint32_t* w = words_.At(block);
    if (w) *w = value;
    return w != nullptr;
  }

 private:
  PagedWords words_;
};

// One bit per block.
class BlockBits {
 public:
  bool Test(uint32_t block) const { return (words_.Get(block >> 5) >> (block & 31)) & 1u; }
  bool Set(uint32_t block) {
    uint32_t* w = words_.At(block >> 5);
    if (w) *w |= 1u << (block & 31);
    return w != nullptr;
  }

 private:
  PagedWords words_;
};

// A stack that grows by doubling with memory that may be refused.
template <typename T>
class WorkStack {
 public:
  WorkStack() {}
  ~WorkStack() { delete[] items_; }
  WorkStack(const WorkStack&) = delete;
  WorkStack& operator=(const WorkStack&) = delete;

  bool Empty() const { return count_ == 0; }
  size_t Size() const { return count_; }
  T Pop() { return items_[--count_]; }
  // Reverses the items from index from on: what was pushed in order then
  // comes off in that order.
  void ReverseFrom(size_t from) {
    for (size_t a = from, b = count_; a + 1 < b; ++a, --b) {
      T t = items_[a];
      items_[a] = items_[b - 1];
      items_[b - 1] = t;
    }
  }
  bool Push(const T& item) {
    if (count_ == capacity_) {
      size_t capacity = capacity_ ? capacity_ * 2 : 256;
      T* grown = new (std::nothrow) T[capacity];
      if (!grown) return false;
      for (size_t i = 0; i < count_; ++i) grown[i] = items_[i];
      delete[] items_;
      items_ = grown;
      capacity_ = capacity;
    }
    items_[count_++] = item;
    return true;
  }

 private:
  T* items_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};
