#pragma once
// Gathering the textures a run used, and copying them into the textures folder.
#include <string_view>

#include "el/qstream/basic_types.h"
#include "tool/run_settings.h"

namespace kln {

// Inserts `name` unless the set holds it already.
void InsertUsedTexture(UsedTextureSet& set, const RString& name);

// Records `namedBy` as the first file that named `name`, unless one is known (for textures
// that a worker process of the run met).
void NoteTextureNamer(const RString& name, const RString& namedBy);

// Adds every texture the engine knows (texture registry, materials in the cache, texture
// bank), leaving out procedural names beginning with '#' and names that lead out of their
// folder (see IsCopyableTextureName), which are reported once, as named by `namedBy` (the
// file just converted).
void CollectUsedTextures(UsedTextureSet& set, const RString& namedBy = "converted data");

// Whether a texture name from data may be read and copied: a relative name has no ".."
// component, a rooted one (beginning with '\') does not climb above the work drive's root.
bool IsCopyableTextureName(std::string_view name);

// Reads a texture list: one texture or material per line; a line that is no copyable
// texture name is reported and left out before anything is read for it. Materials are loaded so that
// their textures become known; ".tga"/".png" names stand for the ".paa" made from them
// (the conversion starts when the image is newer). Names whose copy in
// `texturesFolder` is up to date are left out. 1 when the list was read, 0 when it could
// not be opened.
int ReadTextureList(UsedTextureSet& set, const RString& listPath, const RString& texturesFolder);

// Copies every used texture that is newer than its copy (and not excluded) into the
// textures folder, through the external program. A texture is copied only when its name is
// copyable and its file lies below the work drive or the current folder.
void CopyTextures(const RunSettings& settings);

// Starts one copy; 0, or -1 when the external program could not be started.
int StartTextureCopy(const RString& source, const RString& target);

}  // namespace kln
