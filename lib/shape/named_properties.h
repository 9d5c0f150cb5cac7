#pragma once
// Named properties of a LOD: (name, value) text pairs, looked up without regard to case.
#include "el/qstream/basic_types.h"

struct NamedProperty {
  RString name;
  RString value;
};

class NamedProperties {
 public:
  // The value of `name`, or nullptr when the LOD has no such property.
  const RString* Find(std::string_view name) const;
  // The value of `name`, or an empty text.
  RString Value(std::string_view name) const;
  // Sets `name` to `value`: a property of that name (any case) takes the new value,
  // otherwise the pair is appended.
  void Set(RString name, RString value);
  bool Remove(std::string_view name);

  int Size() const { return static_cast<int>(items_.size()); }
  const NamedProperty& operator[](int index) const { return items_[static_cast<size_t>(index)]; }
  const AutoArray<NamedProperty>& Items() const { return items_; }

 private:
  AutoArray<NamedProperty> items_;
};
