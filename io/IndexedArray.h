#pragma once
// A fixed array indexed Lo..Hi, as the run state's week and level tables are.
#include <cassert>

namespace vk {

template <typename T, int Lo, int Hi>
struct IndexedArray {
  static_assert(Lo <= Hi, "empty range");
  T items[Hi - Lo + 1];

  T& operator[](int i) {
    assert(i >= Lo && i <= Hi);
    return items[i - Lo];
  }
  const T& operator[](int i) const {
    assert(i >= Lo && i <= Hi);
    return items[i - Lo];
  }
  T* at(int i) { return &(*this)[i]; }
  const T* at(int i) const { return &(*this)[i]; }
  static constexpr int low() { return Lo; }
  static constexpr int high() { return Hi; }
};

}  // namespace vk
