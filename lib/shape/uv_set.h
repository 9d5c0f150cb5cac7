#pragma once
// One set of texture coordinates of a vertex table: the range of u and v and, per
// vertex, the pair packed into 32 bits (low 16 bits u, high 16 bits v). Each half is the
// signed value round((x - min) / (max - min) * 65534 - 32767), so the range maps onto
// -32767 ... 32767.
#include <cstdint>

#include "el/qstream/compact_array.h"

class UVSet {
 public:
  // The packed value of (min u, min v): both halves -32767.
  static constexpr uint32_t kPackedMinimum = 0x80018001u;
  // An extent below this is widened to it, so that a set of one value packs to the minimum.
  static constexpr float kMinExtent = 1e-6f;

  float MinU() const { return minU_; }
  float MinV() const { return minV_; }
  float MaxU() const { return maxU_; }
  float MaxV() const { return maxV_; }
  // Sets the range; an empty extent (max <= min) becomes min + 1e-6.
  void SetRange(float minU, float minV, float maxU, float maxV);

  uint32_t Pack(float u, float v) const;
  void Unpack(uint32_t packed, float& u, float& v) const;
  // The unpacked pair of vertex `index`.
  void Get(int index, float& u, float& v) const { Unpack(packed_[index], u, v); }

  // The packed pairs, one per vertex (or condensed).
  const CompactArray<uint32_t>& Packed() const { return packed_; }
  CompactArray<uint32_t>& Packed() { return packed_; }
  int Size() const { return packed_.Size(); }

 private:
  float minU_ = 0.0f;
  float minV_ = 0.0f;
  float maxU_ = kMinExtent;
  float maxV_ = kMinExtent;
  CompactArray<uint32_t> packed_;
};
