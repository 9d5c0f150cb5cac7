#include "lib/shape/prepare_selections.h"

#include <set>

#include "lib/shape/lod_shape.h"
#include "platform/ascii.h"

namespace {

bool Listed(const AutoArray<RString>& names, const RString& name) {
  for (const RString& listed : names)
    if (AsciiEqualIgnoreCase(listed, name)) return true;
  return false;
}

void RemoveFrom(Shape& shape, const AutoArray<RString>& names) {
  AutoArray<NamedSelection>& selections = shape.Selections();
  AutoArray<int> newIndex(selections.size(), -1);
  AutoArray<NamedSelection> kept;
  for (size_t i = 0; i < selections.size(); ++i) {
    if (Listed(names, selections[i].Name())) continue;
    newIndex[i] = static_cast<int>(kept.size());
    kept.push_back(std::move(selections[i]));
  }
  if (kept.size() == selections.size()) {
    selections = std::move(kept);
    return;
  }
  selections = std::move(kept);
  for (ProxyObject& proxy : shape.Proxies())
    if (proxy.selection >= 0 && static_cast<size_t>(proxy.selection) < newIndex.size())
      proxy.selection = newIndex[static_cast<size_t>(proxy.selection)];
}

}  // namespace

void RemoveConfiguredSelections(LODShape& model) {
  const AutoArray<RString>& names = model.Config().removedSelections;
  if (names.empty()) return;
  std::set<const Shape*> done;
  for (int i = 0; i < model.NLods(); ++i) {
    Shape* shape = model.Lod(i).get();
    if (shape && done.insert(shape).second) RemoveFrom(*shape, names);
  }
}
