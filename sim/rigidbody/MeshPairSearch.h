#pragma once
// The triangle pairs of two meshes that the triangle test might report, found
// plane by plane instead of node pair by node pair, then tested in the walks'
// order: the same contacts as the walks of collideTreeTree, record for record.
//
// Which pairs. intersectTriangles(V, U) returns 0 at once when all three
// vertices of U lie strictly on one side of V's plane, and again when all of V
// lie on one side of U's; each plane is (n, d) = trianglePlane of the triangle's
// own vertices, the same floats whichever place the triangle takes. So a pair
// can only add a contact when neither triangle's plane separates the other; and
// planeSeparates answers that with the test's own arithmetic. The search keeps
// exactly the pairs that pass both (it never needs an angle or a distance), so it
// finds every pair that adds a contact however far apart nearly coplanar
// triangles meet.
//
// Finding them. Each triangle's plane is carried into the other mesh's body
// space and tested against that mesh's node boxes. With the float plane (n, d),
// a computed world vertex u = transformAffine(M, v) of the other mesh (M = [R | t],
// v in the node's box) has the real plane value V = n . u + d, and
//     V = (R^T n) . v + (n . t + d) + n . e,   |e| <= vertexError,
// vertexError bounding |u - (R v + t)| (MeshCulling.h). Over the box, (R^T n) . v
// lies within sum |(R^T n)_j| h_j of its value at the centre. The test computes
// float(double(dotProduct(n, u)) + d): dotProduct rounds three partial sums to
// float, off by at most 3.0001 u |n| |u| (u = 2^-24), and the final sum is
// rounded once more, so the computed value is (V + e1)(1 + e2) with
// |e1| <= 3.0001 u |n| Rw (Rw bounding |u|) and |e2| <= 1.0001 u. When
//     V > 1.0001e-6 + |n| (3.0001 u Rw + vertexError)
// at every point of the box the computed values are at least 1e-6, not snapped to
// zero, and of one sign, so their products are positive: the plane separates every
// triangle of the node and the search leaves the node out for that plane (and the
// same with all values below the negative bound). The double sums of these bounds
// are off by some 1e-16 of their terms; the margin takes 1e-13 of them on top.
// NaN or infinity anywhere fails every comparison and keeps the node. In the
// leaves each remaining triangle pair is judged by planeSeparates both ways.
//
// Distance. Planes of triangles far from the other mesh still cut it (a slope
// of a terrain, continued, passes through a body over the water), and their
// pairs are then tested one by one only to be parted by the other plane. So the
// inner nodes of the searching mesh are first judged against the whole other
// mesh by the walks' own bounds (MeshPairWalk::apart: cones, slabs and the
// distance the nearly parallel pairs allow, MeshCulling.h), and the planes of
// a node apart from it search nothing; then at each node of up to 64 triangles
// a plane's triangle is judged against the node by the same bounds, and a
// triangle that can meet none of the node's leaves it. Any pair such a bound
// drops adds no contact.
//
// Which planes search. A triangle whose snap is wide (TriangleSummary::wideSlab:
// 1e-6 over its doubled area reaches far beyond its plane) would find most of the
// other mesh; its pairs are found from the other side instead. With X the mesh
// whose planes search first (the larger one, whose planes reach the smaller one
// least often) and Y the other, every pair (p of X, q of Y) is found once:
//  - p not wide: p's plane against Y's nodes;
//  - p wide, q not wide: q's plane against the boxes of X's wide triangles per node;
//  - both wide: the pairs of the two short lists, one by one.
//
// Order. The walks pair nodes depth first: two inner nodes give their four child
// pairs left-left, left-right, right-left, right-right; once one side is a leaf
// only the other side's children follow, left before right; two leaves test the
// triangles of the deeper leaf (of the first mesh when equally deep) in the outer
// loop. So a leaf pair's place in the walk is the string of its turns, two bits a
// level while both sides turn (first mesh's turn in the high bit), then the
// deeper side's turn alone in the low bit; two different leaf pairs part at a
// level where both strings have a field of the same kind, so comparing the
// strings packed from the top of a 64-bit key (MeshTree::leafTurns) orders them
// as the walk does. Within the pair, the outer and inner positions follow. The
// triangle test only appends to the list, reading it for duplicate points, so
// leaving out tests that add nothing leaves every other test's result unchanged.
#include "sim/rigidbody/Contact.h"
#include "sim/rigidbody/ContactPoints.h"
#include "sim/rigidbody/MeshCulling.h"

namespace physics {
namespace rigidbody {

// Adds exactly the contacts of the full walk of the two meshes (first as the
// first mesh of collideTreeTree), in its order: the triangle pairs searched plane
// by plane, or where the search cannot (a tree deeper than its keys, more pairs
// than the first mesh's cache has room for) found node pair by node pair.
void collideMeshPair(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts, PointIndex* points);

// The same, always node pair by node pair.
void walkMeshPairByNodes(const MeshInWorld& first, const MeshInWorld& second, ContactList* contacts,
                         PointIndex* points);

}  // namespace rigidbody
}  // namespace physics
