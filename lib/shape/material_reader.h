#pragma once
// Reading a material's keys from a configuration class (the root class of a material
// file, or a class of "CfgMaterials").
class ParamClass;
class TexMaterial;

// Reads every key of `cls` into `material`, absent keys at their defaults, then gathers
// the stages and texture generators and checks them against the pixel shader. A key that
// cannot be read reports "Error while loading material %s" and leaves the material at its
// defaults; returns false then.
bool ReadMaterialClass(TexMaterial& material, const ParamClass& cls);
