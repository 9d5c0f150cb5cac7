#include "lib/shape/uv_set.h"

#include <cmath>

namespace {

uint16_t PackCoordinate(float x, float min, float max) {
  float extent = max - min;
  float scaled = extent > 0.0f ? (x - min) / extent * 65534.0f - 32767.0f : -32767.0f;
  if (!(scaled > -32767.0f)) scaled = -32767.0f;  // also NaN
  if (scaled > 32767.0f) scaled = 32767.0f;
  return static_cast<uint16_t>(static_cast<int16_t>(std::lround(scaled)));
}

float UnpackCoordinate(uint16_t bits, float min, float max) {
  float s = static_cast<float>(static_cast<int16_t>(bits));
  return min + (s + 32767.0f) / 65534.0f * (max - min);
}

float Widened(float min, float max) {
  if (max - min >= UVSet::kMinExtent) return max;
  return min + UVSet::kMinExtent;
}

}  // namespace

void UVSet::SetRange(float minU, float minV, float maxU, float maxV) {
  minU_ = minU;
  minV_ = minV;
  maxU_ = Widened(minU, maxU);
  maxV_ = Widened(minV, maxV);
}

uint32_t UVSet::Pack(float u, float v) const {
  return static_cast<uint32_t>(PackCoordinate(u, minU_, maxU_)) |
         static_cast<uint32_t>(PackCoordinate(v, minV_, maxV_)) << 16;
}

void UVSet::Unpack(uint32_t packed, float& u, float& v) const {
  u = UnpackCoordinate(static_cast<uint16_t>(packed & 0xFFFFu), minU_, maxU_);
  v = UnpackCoordinate(static_cast<uint16_t>(packed >> 16), minV_, maxV_);
}
