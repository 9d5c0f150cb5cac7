#pragma once
// Proxies: each named selection "proxy:<model>.<id>" that selects one triangle places
// the model <model> in the LOD with the triangle's frame.
#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/shape/matrix4.h"

class Shape;
struct SkeletonWeights;

// The frame of a proxy triangle: the corner closest to a right angle is the position, the
// longer of its two edges the z axis, the shorter one the y axis.
Matrix4 ProxyTransform(const Vector3& a, const Vector3& b, const Vector3& c);

// Finds the proxies of `shape` (before the face sort). Their faces lose the texture.
// Reports "%s:%s: Bad proxy object definition %s" and "%s: Proxy object should be single
// face %s".
void FindProxies(Shape& shape, const RString& modelName, const RString& lodName);

// After the sections are final: each proxy's section, and its bone (skeleton bone of the
// first weight of its first vertex; `weights` per vertex as skeleton bones, may be empty).
void FinishProxies(Shape& shape, const AutoArray<SkeletonWeights>& weights);
