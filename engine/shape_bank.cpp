#include "engine/shape_bank.h"

#include "platform/ascii.h"

std::shared_ptr<LODShape> ShapeBank::Find(const std::string& name) const {
  auto it = shapes_.find(AsciiLowerCopy(name));
  return it == shapes_.end() ? nullptr : it->second;
}

void ShapeBank::Add(const std::string& name, std::shared_ptr<LODShape> shape) {
  shapes_[AsciiLowerCopy(name)] = std::move(shape);
}

ShapeBank& Shapes() {
  static ShapeBank bank;
  return bank;
}
