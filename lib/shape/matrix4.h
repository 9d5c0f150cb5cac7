#pragma once
// A transform of model space: three axis columns (x, y, z), then the position; stored
// in files as these 12 floats in this order.
#include "el/qstream/vector3.h"

struct Matrix4 {
  Vector3 axisX{1.0f, 0.0f, 0.0f};
  Vector3 axisY{0.0f, 1.0f, 0.0f};
  Vector3 axisZ{0.0f, 0.0f, 1.0f};
  Vector3 position{};

  static Matrix4 Identity() { return {}; }
  friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

static_assert(sizeof(Matrix4) == 48, "a transform is 12 packed floats");
