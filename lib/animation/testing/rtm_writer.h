#pragma once
// Writes source animations ("RTM_0101", "RTM_0100") for tests, fuzz seeds, benchmarks and
// the sample; not part of the converter.
#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace rtm {

// 12 floats: the x, y and z axis columns, then the position.
using Matrix = std::array<float, 12>;

Matrix Identity();
// A uniform scale `scale`, a turn of `angle` radians about y, then a move to (x, y, z).
Matrix Transform(float x, float y, float z, float angle = 0.0f, float scale = 1.0f);

struct BoneMatrix {
  std::string name;  // written into a 32-byte field, cut at 32 bytes (no 0 byte then)
  Matrix matrix = Identity();
};

struct Phase {
  float time = 0.0f;
  std::vector<BoneMatrix> bones;
};

struct Animation {
  bool older = false;  // "RTM_0100": only the step's z is stored
  std::array<float, 3> step{};
  std::vector<std::string> boneNames;  // the header's names
  std::vector<Phase> phases;
  int declaredPhases = -1;  // the stored phase count; -1: phases.size()
};

// `boneNames` with the same matrices for every phase, `phaseCount` phases at times i/10,
// bone b of phase p moved to (b, p, 0.5) relative to the origin.
Animation MakeAnimation(const std::vector<std::string>& boneNames, int phaseCount);

std::string WriteAnimation(const Animation& animation);
bool WriteAnimationFile(const Animation& animation, const std::filesystem::path& path);

}  // namespace rtm
