#include "lib/shape/face_data.h"

void FaceData::Add(const uint16_t* vertices, int n) {
  data_.push_back(static_cast<uint16_t>(n));
  data_.insert(data_.end(), vertices, vertices + n);
  ++nFaces_;
}

AutoArray<int> FaceData::FaceOffsets() const {
  AutoArray<int> offsets;
  offsets.reserve(static_cast<size_t>(nFaces_));
  for (int offset = Begin(); offset < End(); offset = Next(offset)) offsets.push_back(offset);
  return offsets;
}
