// A set of object ids, for walks over children tables that a damaged file
// could make repeat. Plain heap memory and no C++ runtime, so that the
// resident scheduler stays small.
#pragma once
#include <stdint.h>

class ObjectIdSet {
 public:
  ObjectIdSet() {}
  ~ObjectIdSet();
  ObjectIdSet(const ObjectIdSet&) = delete;
  ObjectIdSet& operator=(const ObjectIdSet&) = delete;

  // 1 when id was added, 0 when it was there already, -1 when memory ran out.
  int Insert(uint32_t id);

 private:
  int Grow();
  uint32_t* slots_ = nullptr;   // open addressing; kEmpty marks a free slot
  uint32_t capacity_ = 0;       // a power of two, or 0
  uint32_t count_ = 0;
  bool hasEmptyMarker_ = false; // the marker value itself was inserted
};
