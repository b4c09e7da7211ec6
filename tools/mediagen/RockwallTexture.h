#pragma once
#include <string>

// Writes a seamlessly tiling texture of rough stone blocks in mortar, 256 x 256
// RGB, in the format the path's extension names (a codec must be loaded).
void writeRockwallTexture(const std::string& path);
