#include "sim/rigidbody/NormalGrid.h"

namespace physics {
namespace rigidbody {

void NormalGrid::build(const std::vector<Vector3>& normals, const std::vector<bool>& filed)
{
    normals_ = normals;
    cellStart_.assign(CELLS * CELLS * CELLS + 1, 0);
    entries_.clear();

    // Counting sort of both directions of every filed normal by cell.
    auto cellIndex = [](const Vector3& n, double sign) {
        return (cellOf(sign * n.x) * CELLS + cellOf(sign * n.y)) * CELLS + cellOf(sign * n.z);
    };
    for (std::size_t i = 0; i < normals.size(); ++i)
        if (filed[i])
            for (double sign : {1.0, -1.0}) ++cellStart_[cellIndex(normals[i], sign) + 1];
    for (std::size_t c = 0; c + 1 < cellStart_.size(); ++c) cellStart_[c + 1] += cellStart_[c];
    entries_.resize(cellStart_.back());
    std::vector<std::uint32_t> next(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < normals.size(); ++i)
        if (filed[i]) {
            entries_[next[cellIndex(normals[i], 1.0)]++] = std::uint32_t(2 * i);
            entries_[next[cellIndex(normals[i], -1.0)]++] = std::uint32_t(2 * i + 1);
        }
}

}  // namespace rigidbody
}  // namespace physics
