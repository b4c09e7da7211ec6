#pragma once
#include <string>

// Writes a configuration file of the water layer: "lake" for "WaterTest2.hdx"
// (the water programs' grid over the shallow water), "ocean" for
// "HydraxDemo.hdx" (the demo's projected grid). False for an unknown kind or a
// file that cannot be written.
bool writeHydraxFile(const std::string& kind, const std::string& path);
