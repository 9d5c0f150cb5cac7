#pragma once
// The sample terrain: a small source world and the models placed on it.
#include <filesystem>

// Writes the models of the world below `addon`\models\world and the source world
// `addon`\world\sample_island.wrp (a 256 x 256 land grid of 20 m cells over a 512 x 512
// terrain: hills, a lake, four ground textures, a road with a village, woods and rocks).
// False when a file cannot be written.
bool WriteSampleWorld(const std::filesystem::path& addon);
