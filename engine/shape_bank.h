#pragma once
// The engine's shape bank: every model loaded during a conversion, shared by name.
//
// The converter empties it after each file, so each file is converted against an empty
// bank and memory stays bounded by the largest single file.
#include <map>
#include <memory>
#include <string>

class LODShape;

class ShapeBank {
 public:
  // The model held under `name` (compared ignoring ASCII case); null when none is.
  std::shared_ptr<LODShape> Find(const std::string& name) const;
  void Add(const std::string& name, std::shared_ptr<LODShape> shape);
  // Releases every model held.
  void ClearAll() { shapes_.clear(); }
  size_t Size() const { return shapes_.size(); }

 private:
  std::map<std::string, std::shared_ptr<LODShape>> shapes_;  // key: lower-case name
};

// The process-wide bank.
ShapeBank& Shapes();
