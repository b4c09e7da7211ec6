#pragma once
// What the culling of mesh pairs knows of a mesh tree in body space: each
// triangle's and each node's sizes, normals and spheres, and where the walks
// reach each leaf. Filled once by MeshTree::build (MeshSummaries.cpp).
#include <cstdint>

#include "sim/maths/BoundingBox.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

// What the culling of mesh pairs knows of a triangle, body coordinates.
struct TriangleSummary {
    Vector3 normal;     // unit, by the winding; zero without area
    float doubleArea;   // |(p1 - p0) x (p2 - p0)|, rounded down
    float longestEdge;  // rounded up
    float altitude;     // doubleArea / longestEdge, its least height, rounded down
    Sphere sphere;      // holds the three vertices
    double planeOffset;  // normal . centre of the sphere, in double
    bool irregular;      // without area or too thin: never culled
    // Irregular, or so small that the triangle test's plane-value snap reaches
    // far around its plane (RoundingBounds.md): searched for from the other side.
    bool wideSlab;
};

// The same for a node's triangles.
struct NodeSummary {
    Sphere sphere;                // holds every vertex of the node's triangles
    BoundingBox box;              // so does this (the node's bounds as built)
    float minDoubleArea;          // least over the regular triangles (infinite without any)
    float minAltitude;            // least over the regular triangles
    float maxEdge;                // over all triangles
    Vector3 coneAxis;             // every regular triangle's normal lies within
    float coneAngle;              // this angle of the axis (pi or more: anywhere)
    float planeSpread;            // greatest distance of the sphere's centre from a
                                  // regular triangle's plane
    std::uint32_t irregularCount;
    std::uint32_t firstTriangle;  // position of the node's first triangle in the index copy
    std::uint32_t wideSlabCount;  // of the node's triangles marked wideSlab
    BoundingBox wideSlabBox;      // holds their vertices (when there are any)
};

// Where the mesh-mesh walks reach a leaf, for putting triangle pairs found in
// another order back into theirs (RoundingBounds.md, "Order"): the turns from
// the root (1 for right), turn k in the two bits 63 - 2k and 62 - 2k of a key,
// once in the high bit of its field and once in the low one.
struct LeafTurns {
    std::uint64_t high;
    std::uint64_t low;
    std::uint32_t depth;
};

}  // namespace rigidbody
}  // namespace physics
