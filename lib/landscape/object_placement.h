#pragma once
// Placing a world's objects from their models.
//
// A model is loaded once per world, through the engine's shape bank (a source model, or a
// runtime model when the file holds one), and classified once; every object placed from
// it takes that classification. A model that cannot be loaded is remembered too, so that
// 10,000 objects of a missing model cost one attempt and one message.
#include <memory>
#include <string>
#include <unordered_map>

#include "lib/landscape/object_classification.h"
#include "lib/landscape/source_world_reader.h"

class LODShape;

class ModelObjectPlacer : public ObjectPlacer {
 public:
  // `configClasses`: the classes an entity entry may name (CfgVehicles), or null.
  ModelObjectPlacer(int bonesInterval, const ParamClass* configClasses);

  bool PlaceObject(Landscape& land, int32_t id, const RString& modelName, const Matrix4& transform,
                   const RString& modelFile) override;

  // Models loaded from files by this placer (not found in the bank).
  int ModelsLoaded() const { return modelsLoaded_; }

 private:
  struct Model {
    bool usable = false;
    ModelClassification classification;
  };
  // The model of `modelFile`; `named` when it is a name read from the world (resolved
  // through the mounts and the work drive only), else a host path.
  const Model& ModelOf(const RString& modelFile, bool named);

  int bonesInterval_;
  const ParamClass* configClasses_;
  int modelsLoaded_ = 0;
  std::unordered_map<std::string, Model> models_;  // key: lower-case model file
};

// The model `file` from the shape bank, or loaded (and added to the bank); null after the
// loader's message when it cannot be used. A file holding a runtime model ("ODOL") is
// loaded as one.
std::shared_ptr<LODShape> LoadBankModel(const RString& file, int bonesInterval);
