#pragma once
// The manual mesh "my_cube_mesh" that draws box bodies: a cube from -1 to 1 on
// every axis with normals and one set of texture coordinates, each face showing
// the whole texture once. Made once per program, before the first box node.
void createCubeMesh();
