#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelko::sim {

// Window records by window number, in one flat array probed linearly. The window server hands out
// numbers in turn, so with the number as its own hash neighbouring numbers sit in neighbouring slots and
// a lookup reads one cache line of the array; a node-based map read two nodes of its own besides the
// record, which with thousands of windows missed the cache on nearly every lookup. The index does not
// own the records.
template <class Record>
class SimWindowIndex {
 public:
  Record* find(uint32_t number) const {
    if (count_ == 0) return nullptr;
    for (size_t i = homeOf(number);; i = next(i)) {
      const Slot& slot = slots_[i];
      if (!slot.record) return nullptr;
      if (slot.number == number) return slot.record;
    }
  }

  // The number must not be in the index.
  void insert(uint32_t number, Record* record) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    place(number, record);
    ++count_;
  }

  void erase(uint32_t number) {
    if (count_ == 0) return;
    size_t hole = homeOf(number);
    while (slots_[hole].record && slots_[hole].number != number) hole = next(hole);
    if (!slots_[hole].record) return;
    // Later entries of the same run move up into the hole when their home slot allows it, so that no
    // lookup stops early at the emptied slot.
    for (size_t i = next(hole); slots_[i].record; i = next(i)) {
      const size_t home = homeOf(slots_[i].number);
      if (((i - home) & mask()) >= ((i - hole) & mask())) {
        slots_[hole] = slots_[i];
        hole = i;
      }
    }
    slots_[hole] = {};
    --count_;
  }

  size_t size() const { return count_; }

 private:
  struct Slot {
    uint32_t number = 0;
    Record* record = nullptr;
  };

  size_t mask() const { return slots_.size() - 1; }
  size_t homeOf(uint32_t number) const { return number & mask(); }
  size_t next(size_t i) const { return (i + 1) & mask(); }

  void place(uint32_t number, Record* record) {
    size_t i = homeOf(number);
    while (slots_[i].record) i = next(i);
    slots_[i] = {number, record};
  }

  // Keeps the array at most half full, its size a power of two.
  void grow() {
    std::vector<Slot> old(std::max<size_t>(16, slots_.size() * 2));
    old.swap(slots_);
    for (const Slot& slot : old)
      if (slot.record) place(slot.number, slot.record);
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace pelko::sim
