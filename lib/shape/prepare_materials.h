#pragma once
// What the preparation asks of a section's material.
class TexMaterial;

// True for the alpha-tested shaders whose models the runtime marks (shader identifiers 3,
// 58, 60, 61, 107, 108, 114, 115, 116, 117, 120: the "through" normal-map shaders and the
// tree shaders).
bool UsesThroughShader(const TexMaterial* material);

// True when the material is worth keeping on shadow-buffer faces: its shader cuts
// holes by alpha (the shaders above), so the shadow must use its texture.
bool IsShadowBufferMaterial(const TexMaterial* material);

// True when a stage in use takes its coordinates from the second UV set.
bool NeedsSecondUVSet(const TexMaterial* material);
