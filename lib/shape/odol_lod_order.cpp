#include "lib/shape/odol_lod_order.h"

#include <algorithm>
#include <cmath>

#include "el/appframe/app_frame.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_format.h"

namespace {

// A single visual LOD is kept loaded only below this many faces.
constexpr int kSmallLodFaces = 100;

int Faces(const LODShape& model, int lod) {
  const ShapeRef& shape = model.Lod(lod);
  return shape ? shape->NFaces() : 0;
}

}  // namespace

AutoArray<uint8_t> RuntimePermanentFlags(const LODShape& model) {
  int visual = model.Special().visualLodCount;
  AutoArray<uint8_t> flags(static_cast<size_t>(model.NLods()), 0);
  for (int i = 0; i < model.NLods(); ++i) {
    if (IsSpecialLod(model.Resolution(i))) flags[static_cast<size_t>(i)] = 1;
    else if (i == visual - 1) flags[static_cast<size_t>(i)] = visual >= 2 || Faces(model, i) < kSmallLodFaces;
  }
  return flags;
}

AutoArray<int> RuntimeBlockOrder(const LODShape& model) {
  AutoArray<int> order(static_cast<size_t>(model.NLods()));
  for (int i = 0; i < model.NLods(); ++i) order[static_cast<size_t>(i)] = i;
  std::sort(order.begin(), order.end(), [&model](int a, int b) {
    bool specialA = IsSpecialLod(model.Resolution(a)), specialB = IsSpecialLod(model.Resolution(b));
    if (specialA != specialB) return specialA;
    return model.Resolution(a) > model.Resolution(b);
  });
  return order;
}

int CheckShadowLod(const LODShape& model) {
  int n = model.NLods();
  int s = model.Special().shadowLodLimit;
  if (s < 0 || s >= n) return s;
  if (model.Resolution(s) >= lod_resolution::kVisualLimit) return n;
  if (Faces(model, s) >= odol::kShadowLodFaces) {
    for (int j = s; j < n; ++j) {
      if (model.Resolution(j) > lod_resolution::kVisualLimit) {
        if (j - 1 > s) s = j - 1;
        break;
      }
      if (Faces(model, j) < odol::kShadowLodFaces) {
        s = j;
        break;
      }
    }
  }
  if (Faces(model, s) >= odol::kShadowLodTooDetailed) {
    WarningMessage("Too detailed shadow lod in %s (%d:%f : %d) - shadows disabled", model.Name().c_str(), s,
                   static_cast<double>(model.Resolution(s)), Faces(model, s));
    return n;
  }
  return s;
}

void CheckLodOrder(const LODShape& model) {
  int visual = std::min(model.Special().visualLodCount, model.NLods());
  for (int k = 1; k < visual; ++k) {
    float limit = 100.0f * std::round(model.Resolution(k) / 100.0f - 0.5f);
    int facesK = Faces(model, k);
    for (int j = k - 1; j >= 0 && !(model.Resolution(j) < limit); --j) {
      int facesJ = Faces(model, j);
      if (facesJ <= facesK && !(facesJ == 0 && facesK == 0))
        WarningMessage("Warning: '%s': LODs not ordered by face count %d (%s): %d faces < %d (%s) %d faces",
                       model.Name().c_str(), j, LodKindName(model.Resolution(j)).c_str(), facesJ, k,
                       LodKindName(model.Resolution(k)).c_str(), facesK);
    }
  }
}
