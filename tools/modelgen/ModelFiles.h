#pragma once
// The model files the programs read: OFF text and PLY in ascii and binary
// little-endian, every coordinate as a float, old PLY type names only.
#include <string>
#include <vector>

#include "TriangleMesh.h"

void writeOff(const std::string& path, const TriangleMesh& mesh);

struct PlyTexts {
    std::vector<std::string> comments;
    std::vector<std::string> objInfo;
};

// Vertices "x", "y", "z" ("float"); faces "vertex_indices" ("uchar" count, "int" items).
void writeAsciiPly(const std::string& path, const TriangleMesh& mesh, const PlyTexts& texts);

// As above in binary little-endian, each face followed by an "intensity"
// ("uchar"): the brightness of the face under a light from above.
void writeBinaryPlyWithIntensity(const std::string& path, const TriangleMesh& mesh);
