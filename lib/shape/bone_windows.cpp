#include "lib/shape/bone_windows.h"

#include <algorithm>

namespace {

// Tries the window start `start` for `bones`: each bone must be held by one of the slots
// start ... min(start + interval, size) - 1, or be one of the at most
// max(0, start + interval - size) bones appended. On success the missing bones are
// appended and the window length (up to the highest slot used) is returned; -1 otherwise.
int TryWindow(const AutoArray<int>& bones, AutoArray<int>& slots, int start, int interval) {
  int size = static_cast<int>(slots.size());
  int limit = std::min(start + interval, size);
  int allowed = std::max(0, start + interval - size);
  int highest = start - 1;
  AutoArray<int> missing;
  for (int bone : bones) {
    int found = -1;
    for (int s = start; s < limit; ++s)
      if (slots[static_cast<size_t>(s)] == bone) {
        found = s;
        break;
      }
    if (found >= 0) highest = std::max(highest, found);
    else missing.push_back(bone);
  }
  if (static_cast<int>(missing.size()) > allowed) return -1;
  if (!missing.empty()) {
    slots.insert(slots.end(), missing.begin(), missing.end());
    highest = static_cast<int>(slots.size()) - 1;
  }
  return highest - start + 1;
}

}  // namespace

void PlaceBoneWindows(AutoArray<BoneSection>& sections, AutoArray<int>& slots, int bonesInterval) {
  int interval = std::max(bonesInterval, 1);
  int windowStart = 0;
  int windowLength = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    ShapeSection& section = sections[i].section;
    const AutoArray<int>& bones = sections[i].bones;
    int length = TryWindow(bones, slots, windowStart, interval);
    if (length >= 0) {
      if (length > windowLength) {
        for (size_t j = 0; j < i; ++j)
          if (sections[j].section.boneWindowStart == windowStart) sections[j].section.boneWindowLength = length;
      } else {
        length = windowLength;
      }
      section.boneWindowStart = windowStart;
      section.boneWindowLength = length;
      windowLength = length;
      continue;
    }
    int start = -1;
    for (int s = 0; s <= static_cast<int>(slots.size()); ++s) {
      length = TryWindow(bones, slots, s, interval);
      if (length >= 0) {
        start = s;
        break;
      }
    }
    if (start < 0) {
      // More bones than one window holds (a single face needs them): all of them get new
      // slots at the end.
      start = static_cast<int>(slots.size());
      slots.insert(slots.end(), bones.begin(), bones.end());
      length = static_cast<int>(bones.size());
    }
    section.boneWindowStart = start;
    section.boneWindowLength = length;
    windowStart = start;
    windowLength = length;
  }
}
