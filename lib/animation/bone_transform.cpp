#include "lib/animation/bone_transform.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "el/appframe/app_frame.h"

namespace {

constexpr float kQuaternionUnit = 16384.0f;

// The 12 floats of a matrix: 0-2 the x axis, 3-5 the y axis, 6-8 the z axis, 9-11 the
// translation. Element (row r, column c) of the 3x3 part is float 3c + r.
struct Floats {
  float m[12];
};

Floats ToFloats(const Matrix4& matrix) { return std::bit_cast<Floats>(matrix); }

Matrix4 FromFloats(const Floats& floats) { return std::bit_cast<Matrix4>(floats); }

// The reciprocal square root the runtime expects: an estimate refined by one Newton step
// (the estimate is the single-precision quotient, as close as the processor's own).
float FastInverseSqrt(float value) {
  float r = 1.0f / std::sqrt(value);
  return 0.5f * r * (3.0f - value * r * r);
}

// Rounded to the nearest integer, halves away from zero, and kept inside the int16 range
// (not a number gives 0). The fraction left after the integer part is exact in float.
inline int16_t ToInt16(float value) {
  if (!(value > -32768.5f && value < 32767.5f)) return value == value ? (value > 0.0f ? 32767 : -32768) : 0;
  int whole = static_cast<int>(value);
  float fraction = value - static_cast<float>(whole);
  whole += (fraction >= 0.5f) - (fraction <= -0.5f);
  return static_cast<int16_t>(std::clamp(whole, -32768, 32767));
}

}  // namespace

uint16_t EncodeHalfFloat(float value) {
  uint32_t bits = std::bit_cast<uint32_t>(value);
  int exponent = static_cast<int>((bits >> 23) & 0xFF) - 112;
  if (exponent < 1) return 0x0000;
  uint32_t sign = bits >> 31;
  if (exponent < 32)
    return static_cast<uint16_t>(sign << 15 | static_cast<uint32_t>(exponent) << 10 | (bits & 0x7FFFFF) >> 13);
  ErrorMessage("Overflow");
  return sign ? 0xFFFF : 0x7FFF;
}

float DecodeHalfFloat(uint16_t half) {
  if (half == 0) return 0.0f;
  uint32_t sign = static_cast<uint32_t>(half >> 15);
  uint32_t exponent = (static_cast<uint32_t>(half >> 10) & 0x1F) + 112;
  uint32_t mantissa = static_cast<uint32_t>(half & 0x3FF);
  return std::bit_cast<float>(sign << 31 | exponent << 23 | mantissa << 13);
}

PackedBoneTransform PackBoneMatrix(const Matrix4& matrix) {
  Floats f = ToFloats(matrix);
  float* m = f.m;
  float s2 = 0.0f;
  for (int i = 0; i < 9; ++i) s2 += m[i] * m[i];
  s2 /= 3.0f;
  const float inv = FastInverseSqrt(s2);
  for (int i = 0; i < 9; ++i) m[i] *= inv;

  float q[4];  // x, y, z, w in 1/16384 units, not yet rounded
  const float trace = m[0] + m[4] + m[8];
  if (trace > 0.0f) {
    float r = std::sqrt(trace + 1.0f);
    float k = 0.5f / r;
    q[3] = r * (kQuaternionUnit / 2.0f);
    q[0] = (m[7] - m[5]) * k * kQuaternionUnit;
    q[1] = (m[2] - m[6]) * k * kQuaternionUnit;
    q[2] = (m[3] - m[1]) * k * kQuaternionUnit;
  } else {
    int i = 0;
    if (m[4] > m[0]) i = 1;
    if (m[8] > m[4 * i]) i = 2;
    int j = (i + 1) % 3;
    int k = (j + 1) % 3;
    float r = std::sqrt(m[4 * i] - (m[4 * k] + m[4 * j]) + 1.0f);
    float axis[3];
    axis[i] = r / 2.0f;
    float factor = r != 0.0f ? 0.5f / r : 0.0f;
    float w = (m[3 * k + j] - m[3 * j + k]) * factor;
    axis[j] = (m[3 * i + j] + m[3 * j + i]) * factor;
    axis[k] = (m[3 * i + k] + m[3 * k + i]) * factor;
    for (int c = 0; c < 3; ++c) q[c] = axis[c] * kQuaternionUnit;
    q[3] = w * kQuaternionUnit;
  }
  // The scale goes back in as the quaternion's length: its square is the scale.
  const float scale = (1.0f / kQuaternionUnit) * std::sqrt(inv * s2) * kQuaternionUnit;
  auto component = [scale](float value) { return ToInt16(static_cast<float>(ToInt16(value)) * scale); };
  return {component(q[0]),       component(q[1]),        component(q[2]),       component(q[3]),
          EncodeHalfFloat(m[9]), EncodeHalfFloat(m[10]), EncodeHalfFloat(m[11])};
}

Matrix4 UnpackBoneMatrix(const PackedBoneTransform& t) {
  const float x = t.x / kQuaternionUnit, y = t.y / kQuaternionUnit, z = t.z / kQuaternionUnit,
              w = t.w / kQuaternionUnit;
  Floats f;
  float* m = f.m;
  m[0] = x * x + w * w - y * y - z * z;
  m[1] = 2 * x * y - 2 * w * z;
  m[2] = 2 * w * y + 2 * x * z;
  m[3] = 2 * x * y + 2 * w * z;
  m[4] = w * w - x * x + y * y - z * z;
  m[5] = 2 * y * z - 2 * w * x;
  m[6] = 2 * x * z - 2 * w * y;
  m[7] = 2 * w * x + 2 * y * z;
  m[8] = w * w - x * x - y * y + z * z;
  m[9] = DecodeHalfFloat(t.tx);
  m[10] = DecodeHalfFloat(t.ty);
  m[11] = DecodeHalfFloat(t.tz);
  return FromFloats(f);
}

Vector3 TransformPoint(const Matrix4& a, const Vector3& p) {
  return {a.axisX.x * p.x + a.axisY.x * p.y + a.axisZ.x * p.z + a.position.x,
          a.axisX.y * p.x + a.axisY.y * p.y + a.axisZ.y * p.z + a.position.y,
          a.axisX.z * p.x + a.axisY.z * p.y + a.axisZ.z * p.z + a.position.z};
}

namespace {

Vector3 Rotate(const Matrix4& a, const Vector3& v) {
  return {a.axisX.x * v.x + a.axisY.x * v.y + a.axisZ.x * v.z, a.axisX.y * v.x + a.axisY.y * v.y + a.axisZ.y * v.z,
          a.axisX.z * v.x + a.axisY.z * v.y + a.axisZ.z * v.z};
}

}  // namespace

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 result;
  result.axisX = Rotate(a, b.axisX);
  result.axisY = Rotate(a, b.axisY);
  result.axisZ = Rotate(a, b.axisZ);
  result.position = TransformPoint(a, b.position);
  return result;
}

Matrix4 InverseMatrix(const Matrix4& matrix) {
  Floats f = ToFloats(matrix);
  const float* m = f.m;
  // Element (r, c) is m[3c + r]; the inverse is the adjugate over the determinant.
  auto e = [m](int r, int c) { return m[3 * c + r]; };
  float cofactor[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cofactor[r][c] = e(r1, c1) * e(r2, c2) - e(r1, c2) * e(r2, c1);
    }
  float det = e(0, 0) * cofactor[0][0] + e(0, 1) * cofactor[0][1] + e(0, 2) * cofactor[0][2];
  float invDet = det != 0.0f ? 1.0f / det : 0.0f;
  Floats inverse{};
  // inverse(r, c) = cofactor(c, r) / det.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) inverse.m[3 * c + r] = cofactor[c][r] * invDet;
  Matrix4 result = FromFloats(inverse);
  Vector3 moved = Rotate(result, matrix.position);
  result.position = {-moved.x, -moved.y, -moved.z};
  return result;
}
