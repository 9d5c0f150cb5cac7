#pragma once
// Configuration texts of the sample addon.

inline constexpr char kSampleConfig[] = R"cfg(#define SAMPLE_PREFIX kilnify_sample

class CfgPatches
{
  class SAMPLE_PREFIX
  {
    units[] = {};
    weapons[] = {};
    requiredVersion = 0.1;
  };
};

class CfgVehicles
{
  class SampleHouse
  {
    model = "kilnify_sample\models\world\house.p3d";
    simulation = "house";
  };
};

class CfgWorlds
{
  class DefaultWorld
  {
    LandGrid = 50;
  };
  class sample_island
  {
    LandGrid = 20;
    soundMapAttenCoef = 0.5;
    class SoundMapValues
    {
      treehard = 0.6;
      treesoft = 0.3;
      forest = 1.0;
      house = 0.5;
      church = 1.0;
    };
  };
};

class CfgMaterials
{
  class sample_metal
  {
    ambient[] = {1, 1, 1, 1};
    diffuse[] = {0.6, 0.6, 0.65, 1};
    specular[] = {0.8, 0.8, 0.8, 1};
    specularPower = 40;
    PixelShaderID = "Normal";
    VertexShaderID = "Basic";
  };
};
)cfg";

inline constexpr char kSampleModelCfg[] = R"cfg(class CfgSkeletons
{
  class Default
  {
    isDiscrete = 1;
    skeletonInherit = "";
    skeletonBones[] = {};
  };
  class FigureSkeleton : Default
  {
    skeletonBones[] =
    {
      "pelvis", "",
      "spine", "pelvis",
      "head", "spine"
    };
  };
};

class CfgModels
{
  class Default
  {
    sectionsInherit = "";
    sections[] = {};
    skeletonName = "";
  };
  class crate : Default {};
  class barrel : Default {};
  class figure : Default
  {
    skeletonName = "FigureSkeleton";
    sections[] = {"camo"};
    class Animations
    {
      class head_turn
      {
        type = "rotationY";
        source = "head";
        selection = "head";
        axis = "head_axis";
        minValue = -1;
        maxValue = 1;
        angle0 = -0.5;
        angle1 = 0.5;
      };
    };
  };
};
)cfg";

inline constexpr char kSampleMaterial[] = R"cfg(ambient[] = {1, 1, 1, 1};
diffuse[] = {1, 1, 1, 1};
forcedDiffuse[] = {0, 0, 0, 0};
emmisive[] = {0, 0, 0, 1};
specular[] = {0.2, 0.2, 0.2, 1};
specularPower = 20;
PixelShaderID = "NormalMapDiffuse";
VertexShaderID = "NormalMap";
class Stage1
{
  texture = "kilnify_sample\data\crate_nohq.paa";
  uvSource = "tex";
};
class Stage2
{
  texture = "#(argb,8,8,3)color(0.5,0.5,0.5,1,dt)";
  uvSource = "tex";
};
)cfg";
