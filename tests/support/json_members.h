#pragma once
// Comparing parts of a JSON dump by value, whatever its layout.
#include <nlohmann/json.hpp>

// The members of `object` that `expected` names, in `expected`'s order (a member
// `object` lacks stays out): EXPECT_EQ(JsonMembers(dump, expected), expected) compares
// those values and shows both sides when they differ.
inline nlohmann::ordered_json JsonMembers(const nlohmann::ordered_json& object,
                                          const nlohmann::ordered_json& expected) {
  nlohmann::ordered_json picked = nlohmann::ordered_json::object();
  for (const auto& item : expected.items())
    if (object.contains(item.key())) picked[item.key()] = object[item.key()];
  return picked;
}
