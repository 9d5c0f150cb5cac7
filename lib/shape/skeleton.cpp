#include "lib/shape/skeleton.h"

#include "el/appframe/app_frame.h"
#include "platform/ascii.h"

int Skeleton::AddBone(RString name, RString parent) {
  RString lower = AsciiLowerCopy(name);
  if (lower != name) ErrorMessage("Bone %s is not lowercase", name.c_str());
  bones_.push_back({std::move(lower), AsciiLowerCopy(parent)});
  return NBones() - 1;
}

int Skeleton::FindBone(std::string_view name) const {
  for (int i = 0; i < NBones(); ++i)
    if (AsciiEqualIgnoreCase(bones_[static_cast<size_t>(i)].name, name)) return i;
  return -1;
}

namespace {

// Parent index of every bone by name; unresolved parents are reported when `report`.
AutoArray<int> ResolveParents(const Skeleton& skeleton, bool report) {
  AutoArray<int> parents(static_cast<size_t>(skeleton.NBones()), -1);
  for (int i = 0; i < skeleton.NBones(); ++i) {
    const SkeletonBone& bone = skeleton.Bone(i);
    if (bone.parent.empty()) continue;
    int parent = skeleton.FindBone(bone.parent);
    if (parent < 0 && report)
      ErrorMessage("%s: Invalid parent bone '%s' for '%s'", skeleton.Name().c_str(), bone.parent.c_str(),
                   bone.name.c_str());
    parents[static_cast<size_t>(i)] = parent;
  }
  return parents;
}

}  // namespace

void Skeleton::Order() {
  AutoArray<int> parents = ResolveParents(*this, true);
  size_t n = bones_.size();
  AutoArray<int> order;
  order.reserve(n);
  AutoArray<uint8_t> hierarchy;
  hierarchy.reserve(n + 1);
  AutoArray<uint8_t> visited(n, 0);
  // Depth-first walk without recursion: each frame is a node (-1 the virtual root), the
  // position of its child-count entry and the next bone to look at.
  struct Frame {
    int node;
    size_t countEntry;
    size_t next;
    int children;
  };
  AutoArray<Frame> stack;
  hierarchy.push_back(0);
  stack.push_back({-1, 0, 0, 0});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    bool descended = false;
    while (frame.next < n) {
      size_t candidate = frame.next++;
      if (visited[candidate] || parents[candidate] != frame.node) continue;
      visited[candidate] = 1;
      ++frame.children;
      order.push_back(static_cast<int>(candidate));
      size_t entry = hierarchy.size();
      hierarchy.push_back(0);
      stack.push_back({static_cast<int>(candidate), entry, 0, 0});
      descended = true;
      break;
    }
    if (descended) continue;
    hierarchy[frame.countEntry] = static_cast<uint8_t>(frame.children);
    stack.pop_back();
  }
  if (order.size() < n)
    ErrorMessage("Skeleton %s contains bones unaccessible by hierarchy chain (cycles?)", name_.c_str());
  AutoArray<SkeletonBone> ordered;
  ordered.reserve(order.size());
  for (int index : order) ordered.push_back(bones_[static_cast<size_t>(index)]);
  bones_ = std::move(ordered);
  hierarchy_ = std::move(hierarchy);
  parents_ = ResolveParents(*this, false);
}

bool Skeleton::IsAncestor(int ancestor, int bone) const {
  int current = ParentIndex(bone);
  for (int steps = 0; current >= 0 && steps < NBones(); ++steps) {
    if (current == ancestor) return true;
    current = ParentIndex(current);
  }
  return false;
}
