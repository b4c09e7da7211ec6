#pragma once
// The search of the triangle pairs of two meshes that the triangle test might
// report: found plane by plane instead of node pair by node pair, then tested in
// the walks' order, so that it adds the contacts of the walks of collideTreeTree
// record for record (RoundingBounds.md, "The mesh pair searched plane by plane").
// The walk of node pairs, with the same bounds, takes the pairs it cannot.
#include <cstdint>
#include <vector>

#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/ContactPoints.h"
#include "sim/rigidbody/MeshCulling.h"
#include "sim/rigidbody/MeshInWorld.h"

namespace physics {
namespace rigidbody {

// A triangle pair the search keeps: its place in the walks' order and the
// triangles' positions in the two index copies.
struct PairCandidate {
    std::uint64_t key;    // the leaf pair's place
    std::uint64_t order;  // within the leaf pair
    std::uint32_t first, second;
};

// Room the search of one mesh pair works in, kept by the search context so that
// searches allocate nothing once it has grown.
struct MeshPairScratch {
    std::vector<PairCandidate> candidates;
    NearParallelList nearParallel;
};

// Adds exactly the contacts of the full walk of the two meshes (first as the
// first mesh of collideTreeTree), in its order: the triangle pairs searched plane
// by plane, or where the search cannot (a tree deeper than its keys, more pairs
// than four times the first mesh's triangles and some) found node pair by node
// pair.
void collideMeshPair(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts, PointIndex* points,
                     MeshPairScratch& scratch);

// The same, always node pair by node pair.
void walkMeshPairByNodes(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts,
                         PointIndex* points, MeshPairScratch& scratch);

}  // namespace rigidbody
}  // namespace physics
