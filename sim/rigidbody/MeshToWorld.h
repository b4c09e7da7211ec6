#pragma once
// How the mesh walks carry a mesh body into world space. The full walks, the
// culled ones and the culling's bounds (MeshInWorld.h) must see the very same
// floats, so they all form them here.
#include <cstddef>
#include <cstdint>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace rigidbody {

inline Matrix4 meshTransform(const Matrix3& rotation, const Vector3& position)
{
    return Matrix4::makeTranslation(position) * Matrix4::fromRotation(rotation);
}

// Axis c of a rotation: where the body's own axis c points in world space.
inline Vector3 column(const Matrix3& m, int c) { return Vector3{m[0][c], m[1][c], m[2][c]}; }

// Triangle i of a leaf in world space, its vertices in index order.
inline void worldTriangle(const Matrix4& transform, const float* vertices, const MeshTreeNode* leaf, std::uint32_t i,
                          Vector3 out[3])
{
    const std::uint16_t* tri = leaf->triangles + 3 * std::size_t(i);
    for (int k = 0; k < 3; ++k) {
        const float* v = vertices + 3 * std::size_t(tri[k]);
        out[k] = Matrix4::transformAffine(transform, Vector3{v[0], v[1], v[2]});
    }
}

}  // namespace rigidbody
}  // namespace physics
