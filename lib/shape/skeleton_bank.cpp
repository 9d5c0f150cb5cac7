#include "lib/shape/skeleton_bank.h"

#include "el/appframe/app_frame.h"
#include "el/preproc/data_name.h"
#include "lib/shape/bone_skeleton_config.h"
#include "lib/shape/lod_shape.h"
#include "platform/ascii.h"

SkeletonRef SkeletonBank::Find(std::string_view name) const {
  for (const SkeletonRef& skeleton : skeletons_)
    if (AsciiEqualIgnoreCase(skeleton->Name(), name)) return skeleton;
  return nullptr;
}

SkeletonRef SkeletonBank::Get(std::string_view name, const ParamFile* modelConfig) {
  if (SkeletonRef cached = Find(name)) return cached;
  SkeletonRef skeleton = ModelSkeleton(modelConfig, name);
  // Cached before its pivots model is read, so that a pivots model naming the same
  // skeleton finds it instead of starting over.
  skeletons_.push_back(skeleton);
  LoadSkeletonPivots(*skeleton);
  return skeleton;
}

SkeletonBank& Skeletons() {
  static SkeletonBank bank;
  return bank;
}

namespace {

// The first point of the selection `name` of `memory`, or false.
bool NamedPoint(const Shape& memory, const RString& name, Vector3& position) {
  int selection = memory.FindSelection(name);
  if (selection < 0) return false;
  const AutoArray<int>& points = memory.Selections()[static_cast<size_t>(selection)].Points();
  if (points.empty() || points.front() < 0 || points.front() >= memory.NPoints()) return false;
  position = memory.Points()[static_cast<size_t>(points.front())];
  return true;
}

}  // namespace

void LoadSkeletonPivots(Skeleton& skeleton) {
  if (skeleton.PivotsModel().empty()) return;
  LODShape model;
  const Shape* memory = nullptr;
  // The pivots model is named by the configuration: an engine path.
  const std::optional<std::string> file = LoadableDataName(skeleton.PivotsModel(), CurrentDataFile());
  if (file && model.Load(*file) && model.Special().memory >= 0)
    memory = model.Lod(model.Special().memory).get();
  if (!memory) {
    ErrorMessage("Missing Memory level in skeleton pivots file %s.", skeleton.PivotsModel().c_str());
    skeleton.SetPivots({});
    return;
  }
  AutoArray<Vector3> pivots(static_cast<size_t>(skeleton.NBones()));
  for (int i = 0; i < skeleton.NBones(); ++i) {
    Vector3& pivot = pivots[static_cast<size_t>(i)];
    if (NamedPoint(*memory, skeleton.Bone(i).name, pivot)) continue;
    int parent = skeleton.ParentIndex(i);
    // Bones are in hierarchy order: a parent's pivot is known before its children's.
    pivot = parent >= 0 && parent < i ? pivots[static_cast<size_t>(parent)] : Vector3{};
  }
  skeleton.SetPivots(std::move(pivots));
}
