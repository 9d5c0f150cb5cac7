#include "lib/shape/named_properties.h"

#include "platform/ascii.h"

const RString* NamedProperties::Find(std::string_view name) const {
  for (const NamedProperty& item : items_)
    if (AsciiEqualIgnoreCase(item.name, name)) return &item.value;
  return nullptr;
}

RString NamedProperties::Value(std::string_view name) const {
  const RString* value = Find(name);
  return value ? *value : RString();
}

void NamedProperties::Set(RString name, RString value) {
  for (NamedProperty& item : items_) {
    if (AsciiEqualIgnoreCase(item.name, name)) {
      item.value = std::move(value);
      return;
    }
  }
  items_.push_back({std::move(name), std::move(value)});
}

bool NamedProperties::Remove(std::string_view name) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (AsciiEqualIgnoreCase(it->name, name)) {
      items_.erase(it);
      return true;
    }
  }
  return false;
}
