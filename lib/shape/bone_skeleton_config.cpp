#include "lib/shape/bone_skeleton_config.h"

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "engine/global_config.h"
#include "platform/ascii.h"

namespace {

// Inheritance chains longer than this are taken as loops.
constexpr int kMaxInheritDepth = 64;

// The defined class `name` in `holder` (own entries and bases), or null.
const ParamClass* DefinedClass(const ParamClass* holder, std::string_view name) {
  if (!holder) return nullptr;
  ParamFindResult found = holder->Find(name, false, true);
  if (!found || !found.entry->IsClass() || !found.entry->IsDefined()) return nullptr;
  return found.entry->GetClassInterface();
}

// The value `name` of `cls` (own entries and bases), or an empty handle.
ParamEntryVal Member(const ParamClass& cls, std::string_view name) {
  ParamFindResult found = cls.Find(name, false, true);
  return found ? ParamEntryVal(found) : ParamEntryVal();
}

class SkeletonReader {
 public:
  SkeletonReader(const ParamClass* skeletons, Skeleton& skeleton) : skeletons_(skeletons), skeleton_(skeleton) {}

  void Read(const ParamClass& cls, int depth) {
    const RString className = cls.GetName().Str();
    ParamEntryVal inherit = Member(cls, "skeletonInherit");
    RString inherited = inherit && !inherit.IsArray() && !inherit.IsClass() ? inherit.GetValue() : RString();
    if (!inherited.empty()) {
      if (AsciiEqualIgnoreCase(inherited, className) || depth >= kMaxInheritDepth) {
        ErrorMessage("Error: Infinite inheritance recursion in %s", className.c_str());
        return;
      }
      if (const ParamClass* base = DefinedClass(skeletons_, inherited)) Read(*base, depth + 1);
    }
    ReadBones(cls, className);
    ParamEntryVal discrete = Member(cls, "isDiscrete");
    if (discrete && !discrete.IsArray() && !discrete.IsClass()) skeleton_.SetDiscrete(discrete.GetBool());
  }

 private:
  void ReadBones(const ParamClass& cls, const RString& className) {
    ParamEntryVal bones = Member(cls, "skeletonBones");
    if (!bones || !bones.IsArray()) return;
    int count = bones.GetSize();
    if (count % 2 != 0) ErrorMessage("Error: Bad entry count in %s skeleton", className.c_str());
    for (int i = 0; i + 1 < count; i += 2) {
      RString bone = AsciiLowerCopy(bones.GetValue(i));
      RString parent = AsciiLowerCopy(bones.GetValue(i + 1));
      if (skeleton_.FindBone(bone) >= 0) {
        WarningMessage("Warning: bone %s already listed in %s skeleton", bone.c_str(), className.c_str());
        continue;
      }
      if (bone == parent) {
        ErrorMessage("Error: bone %s is parent of itself", bone.c_str());
        continue;
      }
      skeleton_.AddBone(bone, parent);
    }
  }

  const ParamClass* skeletons_;
  Skeleton& skeleton_;
};

// "BoneGroups": an array of arrays of bone names; names that are no bones are left out.
void ReadBoneGroups(const ParamClass& cls, Skeleton& skeleton) {
  ParamEntryVal groups = Member(cls, "BoneGroups");
  if (!groups || !groups.IsArray()) return;
  for (int g = 0; g < groups.GetSize(); ++g) {
    const IParamArrayValue* item = groups.GetItem(g);
    const ParamArrayItems* names = item ? item->GetItems() : nullptr;
    if (!names) continue;
    AutoArray<int> group;
    for (const IParamArrayValue& name : *names) {
      int bone = skeleton.FindBone(name.GetValue(ParamFileOf(groups.GetHolder())));
      if (bone >= 0) group.push_back(bone);
    }
    if (!group.empty()) skeleton.BoneGroups().push_back(std::move(group));
  }
}

}  // namespace

SkeletonRef SkeletonFromClass(const ParamClass* skeletons, std::string_view name) {
  auto skeleton = std::make_shared<Skeleton>(RString(name));
  const ParamClass* cls = DefinedClass(skeletons, name);
  if (!cls) return skeleton;
  SkeletonReader(skeletons, *skeleton).Read(*cls, 0);
  ParamEntryVal pivots = Member(*cls, "pivotsModel");
  if (pivots && !pivots.IsArray() && !pivots.IsClass()) skeleton->SetPivotsModel(pivots.GetValue());
  skeleton->Order();
  ReadBoneGroups(*cls, *skeleton);
  return skeleton;
}

SkeletonRef ModelSkeleton(const ParamFile* modelConfig, std::string_view name) {
  const ParamClass* own = DefinedClass(modelConfig, "CfgSkeletons");
  if (DefinedClass(own, name)) return SkeletonFromClass(own, name);
  WarningMessage("Obsolete CfgSkeletons for %s, move to model.cfg", RString(name).c_str());
  return SkeletonFromClass(DefinedClass(&GlobalConfig(), "CfgSkeletons"), name);
}
