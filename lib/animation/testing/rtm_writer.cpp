#include "lib/animation/testing/rtm_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace rtm {
namespace {

template <class T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutName(std::string& out, const std::string& name) {
  char field[32] = {};
  std::memcpy(field, name.data(), std::min(name.size(), sizeof field));
  out.append(field, sizeof field);
}

}  // namespace

Matrix Identity() { return {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}; }

Matrix Transform(float x, float y, float z, float angle, float scale) {
  float c = std::cos(angle) * scale, s = std::sin(angle) * scale;
  return {c, 0, -s, 0, scale, 0, s, 0, c, x, y, z};
}

Animation MakeAnimation(const std::vector<std::string>& boneNames, int phaseCount) {
  Animation animation;
  animation.step = {0.0f, 0.0f, 1.5f};
  animation.boneNames = boneNames;
  for (int p = 0; p < phaseCount; ++p) {
    Phase phase;
    phase.time = static_cast<float>(p) / 10.0f;
    for (size_t b = 0; b < boneNames.size(); ++b)
      phase.bones.push_back({boneNames[b], Transform(static_cast<float>(b), static_cast<float>(p), 0.5f)});
    animation.phases.push_back(std::move(phase));
  }
  return animation;
}

std::string WriteAnimation(const Animation& animation) {
  std::string out;
  out += animation.older ? "RTM_0100" : "RTM_0101";
  if (animation.older) {
    Put(out, animation.step[2]);
  } else {
    for (float value : animation.step) Put(out, value);
  }
  int32_t phases =
      animation.declaredPhases >= 0 ? animation.declaredPhases : static_cast<int32_t>(animation.phases.size());
  Put(out, phases);
  Put(out, static_cast<int32_t>(animation.boneNames.size()));
  for (const std::string& name : animation.boneNames) PutName(out, name);
  for (const Phase& phase : animation.phases) {
    Put(out, phase.time);
    for (const BoneMatrix& bone : phase.bones) {
      PutName(out, bone.name);
      for (float value : bone.matrix) Put(out, value);
    }
  }
  return out;
}

bool WriteAnimationFile(const Animation& animation, const std::filesystem::path& path) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  std::string bytes = WriteAnimation(animation);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace rtm
