#pragma once
// The check of a material's stages against its pixel shader: stages the shader samples
// get a default procedural texture when the material names none, and stages whose
// texture generator has no coordinate source are reported.
class TexMaterial;

// Procedural textures supplied for stages a shader needs.
namespace default_texture {
constexpr const char* kWhite = "#(argb,8,8,3)color(1,1,1,1,dt)";
constexpr const char* kFlatNormal = "#(argb,8,8,3)color(0.5,0.5,1,0.5,nohq)";
constexpr const char* kNeutralDetail = "#(argb,8,8,3)color(0.5,0.5,0.5,0,dt)";
constexpr const char* kNoSpecular = "#(argb,8,8,3)color(0,0,0,1,dt)";
}  // namespace default_texture

// Checks the stages of `material` (its counts must be derived); reports "Bad uvSource
// None in %s stage %d (%s, tex %s)" and "Error in material %s - stage N texture not
// specified for %s" (stages 1 to 3) and fills missing stages with defaults.
void CheckMaterialStages(TexMaterial& material);
