#pragma once
// Reduces a closed mesh to a given number of vertices by collapsing edges,
// cheapest first by the squared distances to the planes of the triangles
// that met at the two ends (each plane weighted by its triangle's area, with
// a small share of the edge's length so that flat parts stay evenly cut).
// A collapse that would change the surface's topology, fold a triangle over
// or leave a needle is not made. Throws when the count cannot be reached.
#include "TriangleMesh.h"

void simplify(TriangleMesh& mesh, int targetVertices);
