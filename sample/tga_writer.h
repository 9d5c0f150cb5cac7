#pragma once
// Uncompressed 32-bit TGA images for the sample's textures.
#include <filesystem>

// A checker pattern of `width` x `height`; with `alpha`, a gradient in the alpha channel.
bool WriteSampleTga(const std::filesystem::path& path, int width, int height, bool alpha);
