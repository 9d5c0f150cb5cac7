#pragma once
// The values a model takes from its class in the model configuration: "htMin", "htMax",
// "afMax", "mfMax", "mFact", "tBody", "skeletonName" (the skeleton from "CfgSkeletons";
// the model becomes skeletal), "removeSelections" and "vertexSelections".
class LODShape;

// Loads the configuration of the model (by its name) and reads its class into
// model.Config(); the configuration stays with the model.
void ReadModelConfigValues(LODShape& model);
