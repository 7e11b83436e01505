// Open-addressing hash set of object ids.
#include "settings/object_id_set.h"

#include <stdlib.h>

namespace {
const uint32_t kEmpty = 0xFFFFFFFFu;
const uint32_t kFirstCapacity = 64;

uint32_t Slot(uint32_t id, uint32_t mask) { return (id * 2654435761u) & mask; }
}  // namespace

ObjectIdSet::~ObjectIdSet() { free(slots_); }

int ObjectIdSet::Grow() {
  uint32_t capacity = capacity_ ? capacity_ * 2 : kFirstCapacity;
  // The byte count must fit size_t, which on 32-bit builds it may not.
  uint64_t bytes = static_cast<uint64_t>(capacity) * sizeof(uint32_t);
  if (capacity < capacity_ || bytes != static_cast<size_t>(bytes)) return -1;
  uint32_t* slots = static_cast<uint32_t*>(malloc(static_cast<size_t>(bytes)));
  if (slots == nullptr) return -1;
  for (uint32_t i = 0; i < capacity; ++i) slots[i] = kEmpty;
  for (uint32_t i = 0; i < capacity_; ++i) {
    if (slots_[i] == kEmpty) continue;
    uint32_t s = Slot(slots_[i], capacity - 1);
    while (slots[s] != kEmpty) s = (s + 1) & (capacity - 1);
    slots[s] = slots_[i];
  }
  free(slots_);
  slots_ = slots;
  capacity_ = capacity;
  return 0;
}

int ObjectIdSet::Insert(uint32_t id) {
  if (id == kEmpty) {
    if (hasEmptyMarker_) return 0;
    hasEmptyMarker_ = true;
    return 1;
  }
  // Keep the table at most half full so that probes stay short.
  if ((count_ + 1) * 2 > capacity_ && Grow() != 0) return -1;
  uint32_t mask = capacity_ - 1;
  for (uint32_t s = Slot(id, mask);; s = (s + 1) & mask) {
    if (slots_[s] == id) return 0;
    if (slots_[s] == kEmpty) {
      slots_[s] = id;
      ++count_;
      return 1;
    }
  }
}
