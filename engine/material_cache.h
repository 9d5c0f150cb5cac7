#pragma once
// The engine's material cache: materials loaded during a conversion, found by name.
//
// Materials live in a table; a name index maps each lower-case name to its slot.
// Deleting a material takes it out of both before it is destroyed.
#include <map>
#include <memory>
#include <string>
#include <vector>

class TexMaterial;

class MaterialCache {
 public:
  std::shared_ptr<TexMaterial> Find(const std::string& name) const;
  void Add(const std::string& name, std::shared_ptr<TexMaterial> material);
  // Deletes every material, one by one.
  void DeleteAll();
  size_t Size() const { return index_.size(); }
  // Every material held, in table order.
  std::vector<std::shared_ptr<TexMaterial>> All() const;

 private:
  void Delete(const std::string& lowerName);

  struct Slot {
    std::string name;
    std::shared_ptr<TexMaterial> material;
  };
  std::vector<Slot> table_;
  std::map<std::string, size_t> index_;  // lower-case name -> slot in table_
};

// The process-wide cache.
MaterialCache& Materials();
