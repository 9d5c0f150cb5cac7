#pragma once
// What a texture's file name tells about the faces that use it.
#include <string_view>

// True when faces with texture `name` get the alpha-sorted special flag: a texture whose
// extension is not ".paa", whose name does not end in "_co" before the extension and
// that does not contain "\000". False for an empty name.
bool TextureSetsAlphaSorted(std::string_view name);
