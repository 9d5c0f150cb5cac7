#pragma once
// One key frame of a vertex-animated LOD: a time and the positions of all its points.
#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"

struct ShapeKeyFrame {
  float time = 0.0f;
  AutoArray<Vector3> points;
};
