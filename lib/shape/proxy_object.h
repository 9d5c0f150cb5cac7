#pragma once
// A proxy: another model placed in a LOD by a triangle of a "proxy:" selection.
#include "el/qstream/basic_types.h"
#include "lib/shape/matrix4.h"

struct ProxyObject {
  RString name;            // the model name: the selection name after "proxy:", up to the last '.'
  Matrix4 transform;       // built from the selection's triangle
  int id = -1;             // the number after the last '.', -1 without one
  int selection = -1;      // index of the proxy's named selection
  int boneIndex = -1;      // skeleton bone of the proxy's vertex, -1 when unweighted
  int sectionIndex = -1;   // section holding the proxy's face, -1 when none
};
