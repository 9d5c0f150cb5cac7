#pragma once
// Normals packed into 32 bits: three signed 10-bit fields, x in bits 0-9, y in bits
// 10-19, z in bits 20-29 (bits 30 and 31 zero). Each field holds round(-511 * c) for the
// component c, clamped to -511 ... 511.
#include <cstdint>

#include "el/qstream/vector3.h"

uint32_t PackNormal(const Vector3& normal);
Vector3 UnpackNormal(uint32_t packed);
