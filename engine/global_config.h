#pragma once
// The engine's global configuration: one ParamFile for the whole process, into which
// start-up merges every configuration it loads ("CfgMaterials", "CfgModels", ...).
class ParamFile;

ParamFile& GlobalConfig();
