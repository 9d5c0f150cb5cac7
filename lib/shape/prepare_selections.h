#pragma once
// Named selections that the model configuration removes ("removeSelections").
class LODShape;

// Removes the selections listed in the model configuration from every LOD (proxies keep
// pointing at their own selections).
void RemoveConfiguredSelections(LODShape& model);
