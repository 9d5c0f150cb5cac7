#pragma once
// Model values taken from the named properties of the geometry LOD.
#include <string_view>

#include "el/qstream/basic_types.h"

class LODShape;

// The map type default: "HIDE".
constexpr int kDefaultMapType = 22;

// The index of the map type `value` (ignoring case); 22 for an empty value, and 22 with
// "%s: Unknown map type %s" (model name, value) for one not in the table.
int MapTypeIndex(std::string_view value, const RString& modelName);

// The property `name` of the geometry LOD; null when there is no geometry LOD or no such
// property.
const RString* GeometryProperty(const LODShape& model, std::string_view name);

// The property as a number, `fallback` when absent.
float GeometryNumber(const LODShape& model, std::string_view name, float fallback);

// First model-level step: map type, "generateoffmeshconnections" and "autocenter".
void ReadPlacementProperties(LODShape& model);

// Fifth model-level step: occlusion, class, damage, frequent, avoidGrassUpdate, armor,
// draw importance, forcenotalpha and shadow offset.
void ReadObjectProperties(LODShape& model);

// Sixth model-level step: the LOD density coefficient from the bounding box diagonal,
// unless already set.
void ComputeLodDensity(LODShape& model);
