#pragma once
// Unit normals of a mesh's triangles filed by direction, so that the triangles
// nearly parallel to a given direction (either way round) are found without
// visiting every triangle. Built once with the mesh tree, read-only afterwards.
#include <cmath>
#include <cstdint>
#include <vector>

#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

class NormalGrid {
public:
    // normals[i] is triangle i's unit normal; triangles with filed[i] false are
    // left out. Each normal is filed twice, as itself and reversed.
    void build(const std::vector<Vector3>& normals, const std::vector<bool>& filed);

    // Calls found(triangle, cosine) for every filed triangle whose normal n, or -n,
    // makes an angle with the unit direction q whose cosine is at least minCosine;
    // cosine is that of the smaller of the two angles.
    template <class Found>
    void forEachNearlyParallel(const DoubleVector3& q, double minCosine, Found&& found) const;

private:
    static constexpr int CELLS = 16;  // per axis, over [-1, 1]
    static int cellOf(double coordinate);

    std::vector<std::uint32_t> mCellStart;  // CELLS^3 + 1 offsets into mEntries
    std::vector<std::uint32_t> mEntries;    // triangle index * 2, plus 1 when reversed
    std::vector<Vector3> mNormals;
};

inline int NormalGrid::cellOf(double coordinate)
{
    const double c = (coordinate + 1.0) * (CELLS / 2.0);
    if (!(c > 0.0)) return 0;  // NaN too
    return c >= CELLS ? CELLS - 1 : int(c);
}

template <class Found>
void NormalGrid::forEachNearlyParallel(const DoubleVector3& q, double minCosine, Found&& found) const
{
    if (mEntries.empty()) return;
    // A unit vector within angle a of q differs from it by at most 2 sin(a / 2) in
    // every coordinate; with cos(a) >= minCosine that is sqrt(2 - 2 minCosine).
    const double reach = std::sqrt(2.0 - 2.0 * minCosine) + 1e-6;
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = cellOf(q[axis] - reach);
        hi[axis] = cellOf(q[axis] + reach);
    }
    for (int x = lo[0]; x <= hi[0]; ++x)
        for (int y = lo[1]; y <= hi[1]; ++y) {
            const int row = (x * CELLS + y) * CELLS;
            for (std::uint32_t k = mCellStart[row + lo[2]], end = mCellStart[row + hi[2] + 1]; k < end; ++k) {
                const std::uint32_t entry = mEntries[k];
                const Vector3& n = mNormals[entry >> 1];
                double c = dot(toDouble(n), q);
                if (entry & 1u) c = -c;
                if (c >= minCosine) found(entry >> 1, c);
            }
        }
}

}  // namespace rigidbody
}  // namespace physics
