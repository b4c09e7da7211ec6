#pragma once
// Which triangle pairs of two meshes, and which triangles of a mesh and a box, can
// be left out of a walk because their test could not add a contact, judged from
// the world bounds of MeshInWorld.h. The walks must add exactly the contacts of
// the full walks, in the same order, so everything here decides conservatively
// (RoundingBounds.md, "Box and triangle" and "Two triangles").
#include <cstdint>
#include <vector>

#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshInWorld.h"
#include "sim/rigidbody/OrientedBox.h"

namespace physics {
namespace rigidbody {

// The distance beyond which no two triangles of slab widths slabA and slabB
// (each at least its least altitude wide), with coordinates within rw and edges
// up to length, whose planes meet at an angle of sine at least sinAngle, can make
// the triangle test add a contact. Infinite when it cannot be bounded.
double pairReach(double slabA, double slabB, double altitudeA, double altitudeB, double rw, double length,
                 double sinAngle);
// The same for two groups of world triangles.
double triangleReach(const WorldBounds& a, const WorldBounds& b, double sinAngle);
// Lower bounds of the distance between the two groups (NaN with non-finite
// input): between their spheres; and, given that, the best of it and of the
// distances between a node's box and the other's sphere.
double sphereGap(const WorldBounds& a, const WorldBounds& b);
double widerGap(double sphereGap, const WorldBounds& a, const WorldBounds& b);

// Whether no triangle of a and none of b can make the triangle test add a
// contact, judged from their spheres, cones and plane spreads alone: all of a's
// planes miss b by more than their slab, or the other way round, or the cones
// keep the planes' angle so wide that the groups are beyond reach.
bool groupsApart(const WorldBounds& a, const WorldBounds& b);
// The same for two single triangles (bounds from worldTriangle), quicker.
bool trianglesApart(const WorldBounds& a, const WorldBounds& b);

// Room for the pairs NearParallelPairs lists, kept between searches.
struct NearParallelList {
    std::vector<std::uint32_t> pairs;  // (triangle of the first mesh, of the second)
    // The triangles of each mesh that appear in a listed pair.
    std::vector<std::uint64_t> firstListed, secondListed;
};

// The pairs of nearly parallel triangles of two meshes that distance alone cannot
// rule out. Every pair not listed either cannot add a contact or has planes
// meeting at an angle of at least leastAngle(); two nodes holding no listed
// pair may then be skipped by distance with that angle. The search costs one
// lookup per triangle of the second mesh among the first's normals.
class NearParallelPairs {
public:
    static constexpr double SEARCH_ANGLE = 0.02;  // radians, at most

    explicit NearParallelPairs(NearParallelList& list) : mList(list) {}

    // Lists the nearly parallel pairs within angle (at most SEARCH_ANGLE) that can
    // meet, skipping the triangles whose planes pass nowhere near the other mesh.
    // More pairs than twice the first mesh's triangles (and some) stop the
    // skipping by distance.
    void search(const MeshInWorld& first, const MeshInWorld& second, double angle);
    bool searched() const { return mSearched; }

    // The angle that unlisted pairs of the two groups are known to reach.
    double leastAngle(const WorldBounds& a, const WorldBounds& b) const;
    // Whether a listed pair joins a triangle of the first mesh in
    // [firstStart, firstStart + firstCount) with one of the second's in
    // [secondStart, secondStart + secondCount).
    bool anyIn(std::uint32_t firstStart, std::uint32_t firstCount, std::uint32_t secondStart,
               std::uint32_t secondCount) const;

private:
    NearParallelList& mList;
    bool mSearched = false;
    bool mOverflow = false;  // too many to list: nothing may be skipped by distance
    double mAngle = 0;
};

// Whether a world sphere (a node's bounds) lies wholly outside one face of the box
// by more than the clipping's rounding, so that none of its triangles reaches it.
bool sphereMissesBox(const WorldBounds& sphere, const OrientedBox& box);
// The same for a world triangle's three vertices.
bool triangleMissesBox(const Vector3* triangle, const OrientedBox& box);

}  // namespace rigidbody
}  // namespace physics
