#pragma once
// File contents of the sample tree's models and world.
#include <string>

// A source model named `name`.
std::string SampleModel(const std::string& name);
// A source world.
std::string SampleWorld();
