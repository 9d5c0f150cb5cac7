#pragma once
// A point or direction in model and world space: three IEEE single-precision floats,
// stored in files as x, y, z (12 bytes, no padding).

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  friend bool operator==(const Vector3&, const Vector3&) = default;
};

static_assert(sizeof(Vector3) == 12, "Vector3 must be three packed floats");
