#include "sim/rigidbody/NormalGrid.h"

namespace physics {
namespace rigidbody {

void NormalGrid::build(const std::vector<Vector3>& normals, const std::vector<bool>& filed)
{
    mNormals = normals;
    mCellStart.assign(CELLS * CELLS * CELLS + 1, 0);
    mEntries.clear();

    // Counting sort of both directions of every filed normal by cell.
    auto cellIndex = [](const Vector3& n, double sign) {
        return (cellOf(sign * n.x) * CELLS + cellOf(sign * n.y)) * CELLS + cellOf(sign * n.z);
    };
    for (std::size_t i = 0; i < normals.size(); ++i)
        if (filed[i])
            for (double sign : {1.0, -1.0}) ++mCellStart[cellIndex(normals[i], sign) + 1];
    for (std::size_t c = 0; c + 1 < mCellStart.size(); ++c) mCellStart[c + 1] += mCellStart[c];
    mEntries.resize(mCellStart.back());
    std::vector<std::uint32_t> next(mCellStart.begin(), mCellStart.end() - 1);
    for (std::size_t i = 0; i < normals.size(); ++i)
        if (filed[i]) {
            mEntries[next[cellIndex(normals[i], 1.0)]++] = std::uint32_t(2 * i);
            mEntries[next[cellIndex(normals[i], -1.0)]++] = std::uint32_t(2 * i + 1);
        }
}

}  // namespace rigidbody
}  // namespace physics
