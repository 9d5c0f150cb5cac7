#pragma once
// The faces of one LOD as one packed polygon buffer: per face a uint16 vertex count n,
// then n uint16 vertex indices. Faces are addressed by the byte offset of their count in
// this buffer; sections and the runtime format use the same offsets.
#include <cstdint>

#include "el/qstream/basic_types.h"

// A view of one face in a FaceData buffer.
class FaceRef {
 public:
  explicit FaceRef(const uint16_t* data) : data_(data) {}
  int N() const { return data_[0]; }
  uint16_t Vertex(int i) const { return data_[1 + i]; }
  const uint16_t* Vertices() const { return data_ + 1; }

 private:
  const uint16_t* data_;
};

class FaceData {
 public:
  int NFaces() const { return nFaces_; }
  // Size of the buffer in bytes (the sum over faces of 2 + 2n).
  int DataSize() const { return static_cast<int>(data_.size() * sizeof(uint16_t)); }

  // Iteration by byte offset: for (int o = f.Begin(); o < f.End(); o = f.Next(o)).
  int Begin() const { return 0; }
  int End() const { return DataSize(); }
  int Next(int offset) const { return offset + 2 + 2 * data_[static_cast<size_t>(offset) / 2]; }
  FaceRef Face(int offset) const { return FaceRef(data_.data() + offset / 2); }

  // Appends a face of `n` vertices (0 <= n <= 65535).
  void Add(const uint16_t* vertices, int n);
  void Reserve(int faces, int corners) { data_.reserve(static_cast<size_t>(faces + corners)); }
  void Clear() {
    data_.clear();
    nFaces_ = 0;
  }
  // The byte offset of every face, in order.
  AutoArray<int> FaceOffsets() const;

  // The buffer itself, for the runtime writer and the face sort.
  const AutoArray<uint16_t>& Buffer() const { return data_; }
  // Replaces the buffer; `nFaces` must be the number of faces it holds.
  void SetBuffer(AutoArray<uint16_t> data, int nFaces) {
    data_ = std::move(data);
    nFaces_ = nFaces;
  }

 private:
  AutoArray<uint16_t> data_;
  int nFaces_ = 0;
};
