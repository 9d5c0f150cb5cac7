#pragma once
// An array that may be stored condensed: either a list of elements, or `condensedCount`
// copies of one value (then the element list is empty). Its length is the element count
// plus the condensed count.
#include <cassert>

#include "el/qstream/basic_types.h"

template <class T>
class CompactArray {
 public:
  CompactArray() = default;
  explicit CompactArray(AutoArray<T> elements) : elements_(std::move(elements)) {}

  // Number of elements the array stands for.
  int Size() const { return static_cast<int>(elements_.size()) + condensedCount_; }
  bool IsCondensed() const { return condensedCount_ > 0; }
  int CondensedCount() const { return condensedCount_; }
  const T& CondensedValue() const { return value_; }

  // Element `index` (0 <= index < Size()).
  const T& operator[](int index) const {
    assert(index >= 0 && index < Size());
    return condensedCount_ > 0 ? value_ : elements_[static_cast<size_t>(index)];
  }

  // The element list (empty while condensed).
  const AutoArray<T>& Elements() const { return elements_; }
  AutoArray<T>& Elements() { return elements_; }

  // Makes the array `count` copies of `value`; a count of 0 or less empties it.
  void SetCondensed(int count, const T& value) {
    elements_.clear();
    condensedCount_ = count > 0 ? count : 0;
    value_ = value;
  }
  // Makes the array the list `elements`.
  void SetElements(AutoArray<T> elements) {
    elements_ = std::move(elements);
    condensedCount_ = 0;
  }
  // Condenses a list whose elements are all equal (one element too); returns true when it
  // did. An empty list stays a list.
  bool Condense() {
    if (condensedCount_ > 0 || elements_.empty()) return false;
    for (const T& element : elements_)
      if (!(element == elements_.front())) return false;
    SetCondensed(static_cast<int>(elements_.size()), elements_.front());
    return true;
  }
  // Turns a condensed array back into a list of its copies.
  void Expand() {
    if (condensedCount_ == 0) return;
    elements_.assign(static_cast<size_t>(condensedCount_), value_);
    condensedCount_ = 0;
  }

 private:
  AutoArray<T> elements_;
  int condensedCount_ = 0;
  T value_{};
};
