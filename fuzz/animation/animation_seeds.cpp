// Seeds of the animation fuzz targets: source animations from our writer (current and
// older version, deferred, with unknown and long names) and their runtime forms.
#include <cstdio>
#include <cstdlib>

#include "fuzz/animation/animation_fuzz.h"
#include "fuzz/seeds/seed_registry.h"
#include "lib/animation/testing/rtm_writer.h"

namespace {

std::vector<std::pair<std::string, rtm::Animation>> SourceAnimations() {
  std::vector<std::pair<std::string, rtm::Animation>> sources;
  sources.push_back({"three", rtm::MakeAnimation({"pelvis", "spine", "head"}, 3)});
  sources.push_back({"deferred", rtm::MakeAnimation({"Head", "ghost", "pelvis", "arm"}, 5)});
  rtm::Animation older = rtm::MakeAnimation({"pelvis", "arm"}, 4);
  older.older = true;
  sources.push_back({"older", older});
  rtm::Animation odd = rtm::MakeAnimation({std::string(32, 'x'), "spine"}, 2);
  odd.phases[1].bones[1].matrix = rtm::Transform(1e6f, 0, 0, 1.0f, 2.5f);
  sources.push_back({"odd", odd});
  sources.push_back({"empty", rtm::MakeAnimation({"head"}, 0)});
  std::vector<std::string> many;
  for (int i = 0; i < 80; ++i) many.push_back(i % 2 ? "spine" : "b" + std::to_string(i));
  many[0] = "pelvis";
  sources.push_back({"blocks", rtm::MakeAnimation(many, 4)});
  return sources;
}

int WriteSourceSeeds(const std::filesystem::path& folder) {
  int written = 0;
  for (const auto& [name, source] : SourceAnimations()) written += WriteSeed(folder, name, rtm::WriteAnimation(source));
  return written;
}

int WriteRuntimeSeeds(const std::filesystem::path& folder) {
  int written = 0;
  for (const auto& [name, source] : SourceAnimations()) {
    std::string bytes = rtm::WriteAnimation(source);
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    AnimationRT animation;
    animation.Load(in, name, FuzzSkeleton(), name == "odd");
    animation.CompleteLoad(in);
    QOStrStream out;
    if (SaveAnimation(animation, out) != 0) {
      std::fprintf(stderr, "seed does not save: %s\n", name.c_str());
      std::abort();
    }
    written += WriteSeed(folder, name, out.Str());
  }
  SetNoLogs(false);
  return written;
}

SeedRegistration sourceSeeds("animation_source", WriteSourceSeeds);
SeedRegistration runtimeSeeds("animation_runtime", WriteRuntimeSeeds);

}  // namespace
