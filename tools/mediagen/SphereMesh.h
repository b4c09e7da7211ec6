#pragma once
#include <string>

// Writes "sphere.mesh": a sphere of radius 1 centred on the origin, its box
// exactly (-1, -1, -1) to (1, 1, 1), with normals and texture coordinates.
void writeSphereMesh(const std::string& path);
