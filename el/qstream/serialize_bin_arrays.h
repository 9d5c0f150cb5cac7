#pragma once
// The array transfers of SerializeBinStream (templates); included by
// serialize_bin_stream.h, not on its own.
#include <algorithm>
#include <utility>

#include "el/qstream/serialize_bin_stream.h"

template <class T>
bool SerializeBinStream::ResizeForLoad(AutoArray<T>& array, size_t size) {
  try {
    array.resize(size);
  } catch (const std::bad_alloc&) {
    SetError(EFileStructure);
    return false;
  }
  return true;
}

template <class T>
bool SerializeBinStream::TransferCompressedArray(AutoArray<T>& array, bool compressed) {
  static_assert(std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>,
                "compressed arrays hold plain values");
  if (!Ok()) return false;
  int count = 0;
  if (IsSaving() && !CountForSave(array.size(), count)) return false;
  Transfer(count);
  if (IsLoading()) {
    if (!CheckLoadedCount(count, sizeof(T), compressed)) return false;
    if (!ResizeForLoad(array, static_cast<size_t>(count))) return false;
  }
  return TransferBinary(array.data(), static_cast<size_t>(count) * sizeof(T), compressed);
}

template <class T>
bool SerializeBinStream::TransferCompactArray(CompactArray<T>& array, bool compressed) {
  static_assert(std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>,
                "compact arrays hold plain values");
  if (!Ok()) return false;
  int count = 0;
  if (IsSaving() && !CountForSave(static_cast<size_t>(array.Size()), count)) return false;
  unsigned char condensed = array.IsCondensed() ? 1 : 0;
  Transfer(count);
  Transfer(condensed);
  if (!Ok()) return false;
  if (IsSaving()) {
    if (condensed) {
      T value = array.CondensedValue();
      TransferRaw(&value, sizeof(T));
      return Ok();
    }
    return TransferBinary(array.Elements().data(), array.Elements().size() * sizeof(T), compressed);
  }
  if (count < 0 || condensed > 1) {
    SetError(EFileStructure);
    return false;
  }
  if (condensed) {
    T value{};
    TransferRaw(&value, sizeof(T));
    if (!Ok()) return false;
    array.SetCondensed(count, value);
    return true;
  }
  if (!CheckLoadedCount(count, sizeof(T), compressed)) return false;
  array.SetElements({});
  if (!ResizeForLoad(array.Elements(), static_cast<size_t>(count))) return false;
  return TransferBinary(array.Elements().data(), static_cast<size_t>(count) * sizeof(T), compressed);
}

template <class T, class TransferElement>
bool SerializeBinStream::TransferArray(AutoArray<T>& array, TransferElement&& transferElement) {
  if (!Ok()) return false;
  int count = 0;
  if (IsSaving() && !CountForSave(array.size(), count)) return false;
  Transfer(count);
  if (!Ok()) return false;
  if (IsSaving()) {
    for (T& element : array) {
      transferElement(*this, element);
      if (!Ok()) return false;
    }
    return true;
  }
  // Each element takes at least one byte: a count beyond the rest is corrupt.
  if (count < 0 || count > GetRest()) {
    SetError(EFileStructure);
    return false;
  }
  array.clear();
  array.reserve(std::min<size_t>(static_cast<size_t>(count), 65536));
  for (int i = 0; i < count; ++i) {
    array.emplace_back();
    transferElement(*this, array.back());
    if (!Ok()) return false;
  }
  return true;
}

template <class T>
bool SerializeBinStream::TransferArray(AutoArray<T>& array) {
  return TransferArray(array, [](SerializeBinStream& f, T& element) {
    if constexpr (requires { element.SerializeBin(f); })
      element.SerializeBin(f);
    else
      f.Transfer(element);
  });
}
