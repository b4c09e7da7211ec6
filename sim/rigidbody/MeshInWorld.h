#pragma once
// One mesh body in world space for the culling of its pairs: the world
// positions its walks compute (transformAffine of the mesh transform, the very
// floats the triangle tests see), kept between walks, and the bounds of its
// nodes and triangles in world space from their body-space summaries
// (MeshSummaries.h), with what rounding can move them (RoundingBounds.md,
// "World positions").
#include <cstdint>
#include <vector>

#include "sim/maths/BoundingBox.h"
#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/rigidbody/TriangleIntersection.h"

namespace physics {
namespace rigidbody {

class MeshInWorld;

// A group of world triangles (a node's, or one triangle's): every computed
// vertex lies within radius of centre, every coordinate vector within
// coordinateBound of the origin, and every computed normal within the cone
// around axis.
struct WorldBounds {
    DoubleVector3 centre;
    double radius;
    double coordinateBound;  // Rw
    double slab;             // 1.0001e-6 / (least |n1| of the group)
    double longestEdge;      // L
    double leastAltitude;    // of the computed triangles
    double normalError;      // angle between a computed normal and the exact world one
    DoubleVector3 axis;      // unit
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
    DoubleVector3 centre;
    DoubleVector3 normal;  // unit
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

    explicit MeshWorldCache(const MeshTree& tree);
    // Whether it was made for this tree as it stands.
    bool fits(const MeshTree& tree) const;
};

// One mesh body during one walk: its transform and cached world positions.
class MeshInWorld {
public:
    MeshInWorld(const MeshTree& tree, MeshWorldCache& cache, const Matrix3& rotation, const Vector3& position,
                RigidBody* body);

    const MeshTree* tree() const { return mTree; }
    RigidBody* body() const { return mBody; }

    // transformAffine of the mesh transform, computed once per walk.
    Vector3 vertex(std::uint16_t index) const;
    // Triangle t of the index copy in world space, vertices in index order.
    void triangle(std::uint32_t t, Vector3 out[3]) const;
    const WorldTriangle& worldTriangle(std::uint32_t t) const;
    const WorldBounds& nodeBounds(const MeshTreeNode* node) const;
    const FarTriangle& farTriangle(std::uint32_t t) const;
    const Facet& facet(std::uint32_t t) const;

    // The transform's floats in double: world = R body + translation(), R's rows.
    const DoubleVector3 (&rotation() const)[3] { return mRotation; }
    const DoubleVector3& translation() const { return mTranslation; }

    // Whether the transform allows any bound (finite and invertible).
    bool bounded() const { return mBounded; }
    // A body-space normal's exact world direction (the cofactor matrix of R turns
    // normals), as a unit vector.
    DoubleVector3 normalToWorld(const Vector3& body) const;
    // The rows of the linear map taking other's body-space normals to directions
    // of this body space with the same world direction (up to length).
    void normalMapFrom(const MeshInWorld& other, DoubleVector3 out[3]) const;
    // A world point in body space (the inverse of R, in double), and the least
    // factor by which R shortens a body-space distance.
    DoubleVector3 pointToBody(const DoubleVector3& world) const;
    double leastStretch() const { return std::sqrt(mLeastStretch2); }
    // Bound on how much the cofactor matrix, or its inverse, can widen an angle:
    // sin(image angle) <= normalWidening() * sin(angle).
    double normalWidening() const { return mWidening; }

private:
    // A body-space group (its sphere, longest edge, least doubled area and least
    // altitude) carried into world space with the rounding bounds of both kinds of
    // group.
    struct GroupInWorld {
        DoubleVector3 centre;
        double centreNorm, radius, vertexError, terms, longestEdge, leastNormal, slab, normalError, leastAltitude;
    };
    GroupInWorld groupInWorld(const Sphere& sphere, float longestEdge, float doubleArea, float altitude) const;

    const MeshTree* mTree;
    MeshWorldCache* mCache;
    RigidBody* mBody;
    Matrix4 mTransform;
    // Rows of R, of its cofactor matrix, of cof(R)^-1 = R^T / det R and of R^-1.
    DoubleVector3 mRotation[3], mCofactor[3], mCofactorInverse[3], mInverse[3];
    DoubleVector3 mTranslation;
    double mStretch, mLeastStretch2, mFrobenius, mWidening;
    bool mBounded, mCones;
};

}  // namespace rigidbody
}  // namespace physics
