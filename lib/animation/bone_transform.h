#pragma once
// The compact bone transform of animations and the matrix arithmetic that makes it.
//
// A transform is a quaternion in units of 1/16384 whose squared length is the bone's
// uniform scale (so a scale of 4 and more does not fit), and a translation of three half
// floats: 14 bytes, as stored in runtime animation files.
#include <cstddef>
#include <cstdint>

#include "lib/shape/matrix4.h"

struct PackedBoneTransform {
  int16_t x = 0, y = 0, z = 0, w = 16384;  // quaternion, 1/16384 units
  uint16_t tx = 0, ty = 0, tz = 0;         // translation, half floats

  friend bool operator==(const PackedBoneTransform&, const PackedBoneTransform&) = default;
};

static_assert(sizeof(PackedBoneTransform) == 14, "a packed bone transform is 14 bytes");

// Half floats of animations (not IEEE-complete): the exponent is rebased by 112 and the
// mantissa truncated to 10 bits; magnitudes below 2^-14 become 0x0000 (sign dropped), and
// those of 2^17 and more give 0x7FFF or 0xFFFF with the message "Overflow".
uint16_t EncodeHalfFloat(float value);
// 0x0000 is 0; every other value has the exponent field + 112 as its float exponent.
float DecodeHalfFloat(uint16_t half);

// Packs a model or parent-relative matrix: the uniform scale is taken out of the 3x3 part,
// its quaternion is scaled back in, the translation becomes half floats.
PackedBoneTransform PackBoneMatrix(const Matrix4& matrix);
// PackBoneMatrix of `count` matrices into `transforms`, the same to the bit, several at once.
void PackBoneMatrices(const Matrix4* matrices, PackedBoneTransform* transforms, size_t count);
// For each i: PackBoneMatrix of models[i] relative to parents[i] (the product of the
// parent's inverse and the model matrix), or of models[i] itself when parents[i] is null;
// the same to the bit, several at once. Each pointer leads to the 12 floats of a matrix as
// a Matrix4 holds them, at any address (such as inside a file's bytes).
void PackRelativeBoneMatrices(const char* const* parents, const char* const* models, PackedBoneTransform* transforms,
                              size_t count);
// The matrix a packed transform stands for: rotation times scale, translation.
Matrix4 UnpackBoneMatrix(const PackedBoneTransform& transform);

// `a` applied after `b`: (a * b)(p) = a(b(p)).
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);
// The inverse of a general affine matrix (a singular 3x3 part gives a zero 3x3 part).
Matrix4 InverseMatrix(const Matrix4& matrix);
// `matrix` applied to the point `point`.
Vector3 TransformPoint(const Matrix4& matrix, const Vector3& point);
