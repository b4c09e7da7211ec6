#pragma once
// The surface of a solid as a closed triangle mesh: the solid's distance is
// sampled on a grid whose cubes are each cut into six tetrahedra along one
// diagonal (so that neighbouring cubes agree on their shared faces), and the
// surface is cut out of every tetrahedron, its corners found on the grid
// edges and shared between the tetrahedra that meet there.
#include "Shapes.h"
#include "TriangleMesh.h"

TriangleMesh polygonize(const Solid& solid);
