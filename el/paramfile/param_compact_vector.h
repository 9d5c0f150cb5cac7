#pragma once
// ParamCompactVector: the element lists of classes and arrays.
//
// A list is one pointer to a pooled block that holds its size, its capacity and the
// elements, so that an empty list costs 8 bytes and a class or an array stays small. The
// interface is the part of std::vector the tree needs. Elements must be movable without
// throwing (they are moved when the block grows).
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "el/paramfile/param_pool.h"

// True for element types whose objects may be moved to other storage by copying their
// bytes, the old bytes then being dropped without a destructor call: they hold no pointer
// into themselves and nothing refers to where they are. Types that are more than
// trivially copyable say so with a specialisation next to their definition.
template <class T>
struct ParamBytewiseMovable : std::is_trivially_copyable<T> {};

template <class T>
class ParamCompactVector {
 public:
  using value_type = T;
  using size_type = size_t;
  using iterator = T*;
  using const_iterator = const T*;

  ParamCompactVector() = default;
  ParamCompactVector(std::initializer_list<T> list) {
    reserve(list.size());
    for (const T& value : list) push_back(value);
  }
  ParamCompactVector(const ParamCompactVector& other) {
    reserve(other.size());
    for (const T& value : other) push_back(value);
  }
  ParamCompactVector(ParamCompactVector&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  ParamCompactVector& operator=(const ParamCompactVector& other) {
    if (this != &other) {
      ParamCompactVector copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  ParamCompactVector& operator=(ParamCompactVector&& other) noexcept {
    if (this != &other) {
      Release();
      block_ = other.block_;
      other.block_ = nullptr;
    }
    return *this;
  }
  ~ParamCompactVector() { Release(); }

  size_t size() const { return block_ ? block_->size : 0; }
  size_t capacity() const { return block_ ? block_->capacity : 0; }
  bool empty() const { return size() == 0; }

  T* data() { return block_ ? Items(block_) : nullptr; }
  const T* data() const { return block_ ? Items(block_) : nullptr; }
  T* begin() { return data(); }
  T* end() { return data() + size(); }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }

  T& operator[](size_t index) { return data()[index]; }
  const T& operator[](size_t index) const { return data()[index]; }
  T& at(size_t index) {
    if (index >= size()) throw std::out_of_range("ParamCompactVector");
    return data()[index];
  }
  const T& at(size_t index) const { return const_cast<ParamCompactVector*>(this)->at(index); }
  T& front() { return data()[0]; }
  T& back() { return data()[size() - 1]; }
  const T& back() const { return data()[size() - 1]; }

  void reserve(size_t capacity) {
    if (capacity > this->capacity()) Reallocate(capacity);
  }
  void shrink_to_fit() {
    if (size() < capacity()) Reallocate(size());
  }
  template <class... Args>
  T& emplace_back(Args&&... args) {
    if (size() == capacity()) Reallocate(capacity() < 4 ? capacity() + 1 : capacity() * 2);
    T* slot = data() + block_->size;
    new (slot) T(std::forward<Args>(args)...);
    ++block_->size;
    return *slot;
  }
  void push_back(const T& value) {
    if (size() == capacity() && IsInside(&value)) {
      T copy(value);
      emplace_back(std::move(copy));
    } else {
      emplace_back(value);
    }
  }
  void push_back(T&& value) { emplace_back(std::move(value)); }
  void pop_back() {
    data()[--block_->size].~T();
  }
  T* erase(const T* position) {
    T* items = data();
    size_t index = static_cast<size_t>(position - items);
    for (size_t i = index; i + 1 < size(); ++i) items[i] = std::move(items[i + 1]);
    pop_back();
    return items + index;
  }
  // Moves all elements of `from` to the end of this list, which grows to the exact size;
  // `from` is left empty, keeping its block for reuse.
  void AppendMoved(ParamCompactVector&& from) {
    const size_t count = from.size();
    if (count == 0) return;
    reserve(size() + count);
    T* to = data() + size();
    T* items = from.data();
    if constexpr (ParamBytewiseMovable<T>::value) {
      CopyBytes(to, items, count);
    } else {
      for (size_t i = 0; i < count; ++i) {
        new (to + i) T(std::move(items[i]));
        items[i].~T();
      }
    }
    block_->size += static_cast<uint32_t>(count);
    from.block_->size = 0;
  }
  void clear() {
    if (!block_) return;
    T* items = Items(block_);
    for (uint32_t i = block_->size; i-- > 0;) items[i].~T();
    block_->size = 0;
  }

 private:
  struct Block {
    uint32_t size;
    uint32_t capacity;
  };
  static_assert(sizeof(Block) == 8);

  static T* Items(Block* block) { return reinterpret_cast<T*>(block + 1); }
  static const T* Items(const Block* block) { return reinterpret_cast<const T*>(block + 1); }
  static size_t BlockBytes(size_t capacity) { return sizeof(Block) + capacity * sizeof(T); }
  bool IsInside(const T* value) const { return value >= begin() && value < end(); }
  // The bytes of `count` elements; short lists (the most) one element at a time inline.
  static void CopyBytes(T* to, const T* from, size_t count) {
    if (count > 8) {
      std::memcpy(static_cast<void*>(to), static_cast<const void*>(from), count * sizeof(T));
      return;
    }
    for (size_t i = 0; i < count; ++i)
      std::memcpy(static_cast<void*>(to + i), static_cast<const void*>(from + i), sizeof(T));
  }

  void Reallocate(size_t capacity) {
    static_assert(std::is_nothrow_move_constructible_v<T>);
    static_assert(alignof(T) <= 8);
    if (capacity > UINT32_MAX || capacity > (static_cast<size_t>(-1) - sizeof(Block)) / sizeof(T))
      throw std::bad_array_new_length();
    if (capacity == 0) {
      Release();
      return;
    }
    auto* fresh = static_cast<Block*>(ParamPoolAllocate(BlockBytes(capacity)));
    fresh->size = 0;
    fresh->capacity = static_cast<uint32_t>(capacity);
    if (block_) {
      T* from = Items(block_);
      T* to = Items(fresh);
      if constexpr (ParamBytewiseMovable<T>::value) {
        CopyBytes(to, from, block_->size);
      } else {
        for (uint32_t i = 0; i < block_->size; ++i) {
          new (to + i) T(std::move(from[i]));
          from[i].~T();
        }
      }
      fresh->size = block_->size;
      ParamPoolFree(block_, BlockBytes(block_->capacity));
    }
    block_ = fresh;
  }

  void Release() noexcept {
    if (!block_) return;
    clear();
    ParamPoolFree(block_, BlockBytes(block_->capacity));
    block_ = nullptr;
  }

  Block* block_ = nullptr;
};
