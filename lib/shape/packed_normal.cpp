#include "lib/shape/packed_normal.h"

#include <cmath>

namespace {

uint32_t PackComponent(float c) {
  float scaled = -511.0f * c;
  if (!(scaled < 511.0f)) return scaled >= 511.0f ? 511u : 0u;  // NaN packs as 0
  if (scaled < -512.0f) return 513u;
  long q = std::lround(scaled);
  if (q >= 511) return 511u;
  if (q < -511) return 513u;  // -511 in ten bits
  return static_cast<uint32_t>(q) & 0x3FFu;
}

float UnpackComponent(uint32_t bits) {
  int q = static_cast<int>(bits & 0x3FFu);
  if (q >= 512) q -= 1024;
  return static_cast<float>(q) / -511.0f;
}

}  // namespace

uint32_t PackNormal(const Vector3& n) {
  return PackComponent(n.x) | PackComponent(n.y) << 10 | PackComponent(n.z) << 20;
}

Vector3 UnpackNormal(uint32_t packed) {
  return {UnpackComponent(packed), UnpackComponent(packed >> 10), UnpackComponent(packed >> 20)};
}
