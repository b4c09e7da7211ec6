#pragma once
// Which triangle pairs of two meshes, and which triangles of a mesh and a box, can
// be left out of a walk because their test could not add a contact.
//
// The walks must add exactly the contacts of the full walks, in the same order:
// the triangle tests read the contact list (duplicate points), so a skipped test
// is only harmless when it would have added nothing. Everything here decides
// that conservatively, in double precision, from the floats the tests will see.
//
// World positions. A mesh walk carries vertex v to w = transformAffine(M, v) with
// M = [R | t] (the floats of the body's rotation and position). w is W = R v + t
// rounded once per coordinate, so |w - W| <= u |W| (u = 2^-24, plus 1e-15 of the
// terms for the double sum). R need not be a rotation: its singular values are
// bounded from R^T R (Gershgorin) and every bound scales with them. A sphere of
// body space holding some vertices thus gives a world sphere holding every
// computed w. Non-finite input makes the bounds NaN or infinite, and every test
// below is written so that NaN or infinity keeps the pair.
//
// Box and triangle. collideTriangleBox clips the triangle by the box's six face
// planes; a vertex is kept when float(dot(n, q) - d) >= 0, and the points the
// clips make lie on edges of what was kept, up to a few roundings of the
// coordinates. So a triangle whose vertices all lie farther than
// 25 u (|a| (|q| + |centre| + L) + h) outside one face plane (a the box axis, h
// its half extent, L the longest edge) ends with no polygon and no contact; so
// does a node whose world sphere lies that far outside it.
//
// Two triangles. collideTriangleTriangle adds a contact only when
// intersectTriangles(P, Q) returns 1. With n1 = (p1 - p0) x (p2 - p0) as computed,
// the plane value of a point x against P is float(dot(n1, x) + d1), set to 0 below
// 1e-6; it differs from the exact n1 . (x - p0) by at most
// 3.0001 u |n1| (|x| + |p0|) + u |value|, so every point whose plane value was
// snapped, or whose sign could be wrong, lies within
//     h(P) = 1.0001e-6 / |n1| + 6.01 u Rw
// of P's plane (Rw bounds every coordinate vector involved). The test rejects the
// pair at once when all of Q lies farther than h(P) from P's plane on one side,
// or all of P farther than h(Q) from Q's. Otherwise a result of 1 needs one of:
//  - The interval path (neither triangle found in the other's plane). The
//    interval ends are points of the triangles' edges whose plane values against
//    the other plane interpolate to zero, so each lies within h(other) + tau of
//    the other plane and within tau of its own (tau: roundings of the edge
//    points, 8.1 u (Rw + L), L the longest edge). The intervals are compared on
//    axis k, the largest component of D = n1 x n2, and overlap only if points A of
//    P's segment and B of Q's agree on axis k within 2 tau. A - B then solves
//    three linear conditions (its components along the two unit normals, at most
//    h(P) + h(Q) + 4 tau together, and along e_k, at most 2 tau) whose
//    determinant is |D_k| / (|n1| |n2|) >= sin(theta) / sqrt(3), theta the angle
//    between n1 and n2. Hence
//        dist(P, Q) <= sqrt(3) (h(P) + h(Q) + 4 tau) / sin(theta) + 6 tau.
//  - The coplanar path with Q inside P's slab: the contact needs a point of Q
//    clipped to the prism over P (coplanarOverlapCentre, P of non-zero area),
//    which lies over P at a height of at most h(P) + 3 tau.
//  - The coplanar path with P inside Q's slab: that clipped point of Q is at a
//    height over P of at most (h(Q) + 2 tau) / cos(theta) + tau; P, lying in a
//    slab of width 2 h(Q), has sin(theta) <= (2 h(Q) + 2 tau) / (its least
//    altitude), so when that altitude is at least 4 (h(Q) + 2 tau),
//    cos(theta) >= 0.866. Either triangle may be P, so both must be that wide.
// The first bound has no limit as the planes turn parallel: nearly coplanar
// triangles side by side can "intersect" at any distance, through snapped or
// rounded plane values (closed meshes of radius 0.3 in random poses show such
// contacts between triangles 0.06 apart). So a pair is skipped by distance only
// when the angle between its planes is known: at the leaves from the two
// computed normals; for inner nodes from their normal cones, or else from the
// least angle that NearParallelPairs has established for every pair it did not
// list (it looks for nearly parallel pairs once per walk, among the triangles
// whose planes pass near the other mesh at all). A triangle without area or too
// thin for these bounds (TriangleSummary::irregular, or a bound that cannot be
// formed at run time) is never skipped. Distances come from the groups' spheres,
// or from a node's box (in its body space) and the other group's sphere.
//
// Two more tests skip groups without any angle: the planes of all of a group's
// triangles (their normals within a cone, passing within a spread of its centre)
// miss the other group by more than their slab, or the other way round; then the
// triangle test rejects every pair first thing.
#include <cmath>
#include <cstdint>
#include <vector>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/OrientedBox.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/TriangleIntersection.h"

namespace physics {
namespace rigidbody {

class MeshInWorld;

// A group of world triangles (a node's, or one triangle's) for the bounds above:
// every computed vertex lies within radius of centre, every coordinate vector
// within coordinateBound of the origin, and every computed normal within the
// cone around axis.
struct WorldBounds {
    double centre[3];
    double radius;
    double coordinateBound;  // Rw
    double slab;             // 1.0001e-6 / (least |n1| of the group)
    double longestEdge;      // L
    double leastAltitude;    // of the computed triangles
    double normalError;      // angle between a computed normal and the exact world one
    double axis[3];          // unit
    double coneCos, coneSin;  // of the cone's half angle; coneCos <= 0: no cone
    double planeSpread;       // greatest distance of centre from a computed plane
    bool regular;             // every triangle regular and the bounds above valid
    // A node's box in its body space (mesh non-null): the computed vertices lie
    // within vertexError of its image.
    const MeshInWorld* mesh = nullptr;
    BoundingBox box;
    double vertexError;
};

// A world triangle as the triangle test will see it, and its bounds from those
// very floats: its cone is the one normal the test computes, (p1 - p0) x (p2 - p0).
struct WorldTriangle {
    Vector3 p[3];
    WorldBounds bounds;
};

// What NearParallelPairs needs of a triangle: its world centre and exact world
// normal, from the body-space summary.
struct FarTriangle {
    double centre[3];
    double normal[3];  // unit
    double radius;
    double slab;
    double normalError;
    double leastAltitude;
    bool regular;
};

// A world triangle and its plane as the triangle test forms them.
struct Facet {
    Vector3 p[3];
    TrianglePlane plane;
};

// A triangle pair the mesh pair search keeps (MeshPairSearch.h): its place in the
// walks' order and the triangles' positions in the two index copies.
struct PairCandidate {
    std::uint64_t key;    // the leaf pair's place
    std::uint64_t order;  // within the leaf pair
    std::uint32_t first, second;
};

// World positions of one mesh body for one walk, reused by the next. Entries
// carry the number of the walk that computed them; a walk with the very transform
// of the one before keeps its number and so everything computed so far (a static
// mesh computes its world positions once). Each body has its own, kept by the
// search context, so that walks allocate nothing.
struct MeshWorldCache {
    const MeshTree* tree;
    std::uint32_t walk = 0;
    Matrix4 transform{};
    bool transformKnown = false;
    std::vector<Vector3> vertices;
    std::vector<std::uint32_t> vertexWalk;
    std::vector<WorldBounds> nodes;
    std::vector<std::uint32_t> nodeWalk;
    std::vector<WorldTriangle> triangles;
    std::vector<std::uint32_t> triangleWalk;
    std::vector<FarTriangle> farTriangles;
    std::vector<std::uint32_t> farTriangleWalk;
    std::vector<Facet> facets;
    std::vector<std::uint32_t> facetWalk;
    // The pair search's triangle pairs, when this mesh is the first of the pair.
    std::vector<PairCandidate> candidates;
    // NearParallelPairs' list: (triangle of this mesh, of the other) pairs, and the
    // triangles of this mesh that appear in a pair of either list.
    std::vector<std::uint32_t> pairs;
    std::vector<std::uint64_t> listed;

    explicit MeshWorldCache(const MeshTree& tree);
    // Whether it was made for this tree as it stands.
    bool fits(const MeshTree& tree) const;
};

// One mesh body during one walk: its transform and cached world positions.
class MeshInWorld {
public:
    MeshInWorld(const MeshTree& tree, MeshWorldCache& cache, const Matrix3& rotation, const Vector3& position,
                RigidBody* body);

    const MeshTree* tree() const { return tree_; }
    MeshWorldCache& cache() const { return *cache_; }
    RigidBody* body() const { return body_; }

    // transformAffine of the mesh transform, computed once per walk. Two of these on
    // one tree stay correct, each recomputing what the other overwrote, so the
    // references returned below are only good until the next call on either.
    Vector3 vertex(std::uint16_t index) const;
    // Triangle t of the index copy in world space, vertices in index order.
    void triangle(std::uint32_t t, Vector3 out[3]) const;
    const WorldTriangle& worldTriangle(std::uint32_t t) const;
    const WorldBounds& nodeBounds(const MeshTreeNode* node) const;
    const FarTriangle& farTriangle(std::uint32_t t) const;
    const Facet& facet(std::uint32_t t) const;

    // The transform's floats in double: world = rotation() body + translation().
    const double (&rotation() const)[3][3] { return r_; }
    const double (&translation() const)[3] { return t_; }

    // Whether the transform allows any bound (finite and invertible).
    bool bounded() const { return bounded_; }
    // A body-space normal's exact world direction (the cofactor matrix of R turns
    // normals), as a unit vector; and back.
    void normalToWorld(const Vector3& body, double out[3]) const;
    void normalToBody(const double world[3], double out[3]) const;
    // The linear map taking other's body-space normals to directions of this body
    // space with the same world direction (up to length).
    void normalMapFrom(const MeshInWorld& other, double out[3][3]) const;
    // A world point in body space (the inverse of R, in double), and the least
    // factor by which R shortens a body-space distance.
    void pointToBody(const double world[3], double out[3]) const;
    double leastStretch() const { return std::sqrt(sMin2_); }
    // Bound on how much the cofactor matrix, or its inverse, can widen an angle:
    // sin(image angle) <= normalWidening() * sin(angle).
    double normalWidening() const { return widening_; }

private:
    // A body-space group (its sphere, longest edge, least doubled area and least
    // altitude) carried into world space with the rounding bounds of both kinds of
    // group.
    struct GroupInWorld {
        double centre[3], centreNorm, radius, vertexError, terms, longestEdge, leastNormal, slab, normalError,
            leastAltitude;
    };
    GroupInWorld groupInWorld(const Sphere& sphere, float longestEdge, float doubleArea, float altitude) const;

    const MeshTree* tree_;
    MeshWorldCache* cache_;
    RigidBody* body_;
    Matrix4 transform_;
    double r_[3][3], t_[3], cofactor_[3][3], cofactorInverse_[3][3], inverse_[3][3];
    double sMax_, sMin2_, frobenius_, widening_;
    bool bounded_, cones_;
};

// Reach of two groups of world triangles: the distance beyond which no pair of
// them whose planes meet at an angle of sine at least sinAngle can make the
// triangle test add a contact. Infinite when it cannot be bounded.
double triangleReach(const WorldBounds& a, const WorldBounds& b, double sinAngle);
// Lower bounds of the distance between the two groups (NaN with non-finite
// input): between their spheres; the best of that and of the distances between
// a node's box and the other's sphere; and the latter given the former.
double sphereGap(const WorldBounds& a, const WorldBounds& b);
double gapBetween(const WorldBounds& a, const WorldBounds& b);
double widerGap(double sphereGap, const WorldBounds& a, const WorldBounds& b);

// Whether no triangle of a and none of b can make the triangle test add a
// contact, judged from their spheres, cones and plane spreads alone: all of a's
// planes miss b by more than their slab, or the other way round, or the cones
// keep the planes' angle so wide that the groups are beyond reach.
bool groupsApart(const WorldBounds& a, const WorldBounds& b);
// The same for two single triangles (bounds from worldTriangle), quicker.
bool trianglesApart(const WorldBounds& a, const WorldBounds& b);

// The pairs of nearly parallel triangles of two meshes that distance alone cannot
// rule out. Every pair not listed either cannot add a contact or has planes
// meeting at an angle of at least leastAngle(); two nodes holding no listed
// pair may then be skipped by distance with that angle. The search costs one
// lookup per triangle of the second mesh among the first's normals.
class NearParallelPairs {
public:
    static constexpr double SEARCH_ANGLE = 0.02;  // radians, at most

    // Lists the nearly parallel pairs within angle (at most SEARCH_ANGLE) that can
    // meet, skipping the triangles whose planes pass nowhere near the other mesh.
    void search(const MeshInWorld& first, const MeshInWorld& second, double angle);
    bool searched() const { return searched_; }

    // The angle that unlisted pairs of the two groups are known to reach.
    double leastAngle(const WorldBounds& a, const WorldBounds& b) const;
    // Whether a listed pair joins a triangle of the first mesh in
    // [firstStart, firstStart + firstCount) with one of the second's in
    // [secondStart, secondStart + secondCount).
    bool anyIn(std::uint32_t firstStart, std::uint32_t firstCount, std::uint32_t secondStart,
               std::uint32_t secondCount) const;

private:
    const MeshInWorld* first_ = nullptr;
    const MeshInWorld* second_ = nullptr;
    bool searched_ = false;
    bool overflow_ = false;  // too many to list: nothing may be skipped by distance
    double angle_ = 0;
};

// Whether a world sphere (a node's bounds) lies wholly outside one face of the box
// by more than the clipping's rounding, so that none of its triangles reaches it.
bool sphereMissesBox(const WorldBounds& sphere, const OrientedBox& box);
// The same for a world triangle's three vertices.
bool triangleMissesBox(const Vector3* triangle, const OrientedBox& box);

}  // namespace rigidbody
}  // namespace physics
