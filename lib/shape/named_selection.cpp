#include "lib/shape/named_selection.h"

#include <algorithm>

bool NamedSelection::HasWeights() const {
  return std::any_of(pointWeights_.begin(), pointWeights_.end(), [](uint8_t w) { return w != 255; });
}

uint8_t NamedSelection::PointWeight(int point) const {
  auto it = std::lower_bound(points_.begin(), points_.end(), point);
  if (it == points_.end() || *it != point) return 0;
  return pointWeights_[static_cast<size_t>(it - points_.begin())];
}
