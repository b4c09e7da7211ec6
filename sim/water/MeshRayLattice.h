#pragma once
// The coupling's vertical rays through one mesh body, cast all at once. Every ray
// of a coupling pass has the same direction in body coordinates, so the parts of
// the triangle test that do not depend on the origin are worked out once per
// triangle, and each triangle is listed only for the rays that could hit it.
// cast() then reports exactly what the tree walk (rayMeshTree) reports for the
// same ray: the same points, in the same order, cut at the same maximum.
#include <cstdint>
#include <vector>

#include "sim/maths/BoundingBox.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace water {

class MeshRayLattice {
public:
    // Sets up the rays with world origins (xs[column], height, zs[row]), taken
    // into body coordinates by toBody, all with the body-frame direction up; xs
    // and zs rise evenly and stay as they are until the last cast. False when the
    // pose or the lattice is unfit for it (a degenerate or undefined transform, a
    // lattice not evenly spaced or too large); those rays are then cast one by one
    // with the tree walk.
    bool prepare(const rigidbody::MeshTree& tree, const Matrix4& toBody, const Vector3& up, float height,
                 const std::vector<float>& xs, const std::vector<float>& zs);

    // The body-frame origin of a ray.
    const Vector3& origin(int column, int row) const { return mOrigins[index(column, row)]; }

    // The hits of the tree walk for one ray, in walk order, at most maximum of them;
    // returns their number.
    unsigned cast(int column, int row, Vector3* hits, unsigned maximum);

private:
    // The origin-independent part of the triangle test of one triangle.
    struct Triangle {
        Vector3 c0, e1, e2, p;  // first corner, edges from it, direction x e2
        float inv;              // 1 / determinant
        std::int32_t leaf;
        bool hit(const Vector3& origin, const Vector3& direction, float& t, Vector3& point) const;
    };
    // The rays a triangle may hit: a rectangle of columns and rows.
    struct Span {
        std::int32_t firstColumn, lastColumn, firstRow, lastRow;
        bool empty() const { return firstColumn > lastColumn || firstRow > lastRow; }
    };
    struct Node {
        const BoundingBox* bounds;
        std::int32_t parent;  // -1 at the root
    };
    // The coordinates of the columns, or of the rows.
    struct Axis {
        const float* values = nullptr;
        std::int32_t count = 0;
        double start = 0.0, perSpacing = 0.0;
        double slack = 0.0;  // largest distance, in spacings, of a coordinate from its even place
        // False unless the coordinates rise evenly, each within a quarter spacing of its place.
        bool set(const std::vector<float>& c);
        // A coordinate in spacings from the first one.
        double place(double c) const { return (c - start) * perSpacing; }
        // First and last index within [lo, hi], in place() units; lo and hi must
        // already be widened by the slack.
        void range(double lo, double hi, std::int32_t& first, std::int32_t& last) const;
    };
    struct Corners {
        const std::uint16_t* corners;  // three vertex indices
        std::int32_t leaf;
    };
    struct Pending {
        const rigidbody::MeshTreeNode* node;
        std::int32_t parent;
    };

    std::size_t index(int column, int row) const { return std::size_t(row) * mColumns + std::size_t(column); }
    bool projectVertices(const rigidbody::MeshTree& tree, const Matrix4& toBody, const std::vector<float>& xs,
                         const std::vector<float>& zs);
    bool addTriangles(const rigidbody::MeshTree& tree);
    Span candidateRays(const float* vertices, const std::uint16_t* corners) const;
    bool leafReached(std::int32_t leaf, const Vector3& origin, const Vector3& point, float t);

    std::size_t mColumns = 0, mRows = 0;
    Vector3 mUp{};
    float mHeight = 0.0f;
    Axis mColumnAxis, mRowAxis;
    std::vector<Vector3> mOrigins;
    double mOriginBound[3] = {};  // largest |origin| per axis
    double mReach[3] = {};        // bound on |origin - vertex| per axis
    double mDirection[3] = {};    // up, and |up|, per axis
    double mUpAbs[3] = {};
    double mPadX = 0.0, mPadZ = 0.0;  // in spacings, the axes' slack included
    double mScale = 0.0;  // bound on every coordinate a node box test sees
    // World (X, Z) of each vertex seen along the rays, two per vertex, in
    // spacings of the lattice from its first column and row.
    std::vector<double> mProjected;

    std::vector<Node> mNodes;
    std::vector<Corners> mCorners;  // every triangle in walk order
    std::vector<Triangle> mTriangles;  // in walk order; those no ray can hit left out
    std::vector<Span> mSpans;
    std::vector<std::uint32_t> mFirstEntry;  // per ray, into mEntries; one more at the end
    std::vector<std::uint32_t> mEntries;     // triangle numbers, ascending per ray
    std::vector<std::uint32_t> mFill;
    std::vector<Pending> mStack;
    // Node box tests already made for the current ray.
    std::vector<std::uint32_t> mTestedFor;
    std::vector<unsigned char> mPassed;
    std::uint32_t mRaySerial = 0;
};

}  // namespace water
}  // namespace physics
