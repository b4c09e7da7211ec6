#pragma once
#include <string>

// Writes "Palm.mesh": a palm about one unit long whose trunk runs along +z from
// its base at the origin, bending a little towards +x, with a crown of drooping
// fronds on top. Submesh 0 is the trunk (material "Palm/Trunk"), submesh 1 the
// fronds ("Palm/Fronds"), both sides of every frond drawn; the materials are
// scripts in media/materials.
void writePalmMesh(const std::string& path);
