#pragma once
// Small generated triangle meshes and the mesh bodies built from them. Every mesh
// is wound counter-clockwise seen from outside, so face normals point outwards.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"

namespace testing_support {

using namespace physics;
using namespace physics::rigidbody;

struct MeshData {
    std::vector<float> vertices;
    std::vector<std::uint16_t> indices;

    int vertexCount() const { return int(vertices.size() / 3); }
    int triangleCount() const { return int(indices.size() / 3); }
    int addVertex(const Vector3& v)
    {
        vertices.insert(vertices.end(), {v.x, v.y, v.z});
        return vertexCount() - 1;
    }
    void addTriangle(int a, int b, int c)
    {
        indices.insert(indices.end(), {std::uint16_t(a), std::uint16_t(b), std::uint16_t(c)});
    }
    void addTriangle(const Vector3& a, const Vector3& b, const Vector3& c)
    {
        const int i = addVertex(a), j = addVertex(b), k = addVertex(c);
        addTriangle(i, j, k);
    }
    Vector3 vertex(int index) const
    {
        return Vector3{vertices[3 * index], vertices[3 * index + 1], vertices[3 * index + 2]};
    }
};

// Closed box of 12 triangles centred on the origin.
inline MeshData boxMesh(const Vector3& half)
{
    MeshData m;
    for (int axis = 0; axis < 3; ++axis)
        for (float sign : {1.0f, -1.0f}) {
            // u x v = sign * axis, so the quad is wound outwards.
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            int corner[4];
            const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
            for (int k = 0; k < 4; ++k) {
                Vector3 p{0, 0, 0};
                p[axis] = sign * half[axis];
                p[u] = su[k] * half[u] * sign;
                p[v] = sv[k] * half[v];
                corner[k] = m.addVertex(p);
            }
            m.addTriangle(corner[0], corner[1], corner[2]);
            m.addTriangle(corner[0], corner[2], corner[3]);
        }
    return m;
}

// Square floor in the plane y = height facing up, cells x cells quads.
inline MeshData floorMesh(float halfSize, int cells, float height = 0.0f)
{
    MeshData m;
    const float step = 2.0f * halfSize / float(cells);
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) m.addVertex(Vector3{-halfSize + step * float(i), height, -halfSize + step * float(j)});
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const int a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            m.addTriangle(a, c, d);
            m.addTriangle(a, d, b);
        }
    return m;
}

// Square floors of 8 triangles each (floorMesh(1, 2)), 0.05 apart upwards from
// 0: a vertical ray meets every one of them.
inline MeshData stackedFloors(int layers)
{
    MeshData m;
    for (int l = 0; l < layers; ++l) {
        const MeshData floor = floorMesh(1.0f, 2, 0.05f * float(l));
        const int base = m.vertexCount();
        m.vertices.insert(m.vertices.end(), floor.vertices.begin(), floor.vertices.end());
        for (std::uint16_t i : floor.indices) m.indices.push_back(std::uint16_t(base + i));
    }
    return m;
}

// Closed sphere of 2 * slices * (stacks - 1) triangles whose vertex radii vary by
// up to +-bumpiness (a fixed pseudo-random sequence, the same on every run).
inline MeshData sphereMesh(int slices, int stacks, float radius, float bumpiness = 0.0f)
{
    MeshData m;
    std::uint32_t seed = 12345u;
    auto bump = [&]() {
        seed = seed * 1664525u + 1013904223u;
        return radius * (1.0f + bumpiness * (float(seed >> 8) / float(1u << 24) * 2.0f - 1.0f));
    };
    const double pi = 3.14159265358979323846;
    const int top = m.addVertex(Vector3{0, bump(), 0});
    for (int j = 1; j < stacks; ++j) {
        const double theta = pi * j / stacks;
        for (int i = 0; i < slices; ++i) {
            const double phi = 2 * pi * i / slices;
            const float r = bump();
            m.addVertex(Vector3{float(r * std::sin(theta) * std::cos(phi)), float(r * std::cos(theta)),
                                float(-r * std::sin(theta) * std::sin(phi))});
        }
    }
    const int bottom = m.addVertex(Vector3{0, -bump(), 0});
    auto ring = [&](int j, int i) { return 1 + (j - 1) * slices + (i % slices); };
    for (int i = 0; i < slices; ++i) m.addTriangle(top, ring(1, i), ring(1, i + 1));
    for (int j = 1; j < stacks - 1; ++j)
        for (int i = 0; i < slices; ++i) {
            m.addTriangle(ring(j, i), ring(j + 1, i), ring(j + 1, i + 1));
            m.addTriangle(ring(j, i), ring(j + 1, i + 1), ring(j, i + 1));
        }
    for (int i = 0; i < slices; ++i) m.addTriangle(bottom, ring(stacks - 1, i + 1), ring(stacks - 1, i));
    return m;
}

// A closed, irregular and partly concave body of 2 * slices * (stacks - 1)
// triangles, the kind of scanned model the programs load: a sphere of the given
// radius pushed in and out by a few smooth lumps, with a little roughness.
inline MeshData lumpyMesh(int slices, int stacks, float radius)
{
    MeshData m = sphereMesh(slices, stacks, 1.0f);
    std::uint32_t seed = 2024u;
    for (std::size_t i = 0; i < m.vertices.size(); i += 3) {
        const double x = m.vertices[i], y = m.vertices[i + 1], z = m.vertices[i + 2];
        const double theta = std::acos(std::max(-1.0, std::min(1.0, y))), phi = std::atan2(z, x);
        seed = seed * 1664525u + 1013904223u;
        const double rough = 0.015 * (double(seed >> 8) / double(1u << 24) * 2.0 - 1.0);
        const double r = radius * (1.0 + 0.22 * std::sin(2 * theta) * std::cos(3 * phi) +
                                   0.1 * std::cos(5 * theta + 2 * phi) + rough);
        m.vertices[i] = float(x * r);
        m.vertices[i + 1] = float(y * r * 0.85);
        m.vertices[i + 2] = float(z * r);
    }
    return m;
}

// Ground height of a basin deepest at the origin (4), rising to hills of about 12
// at 25 from it, with a gentle ripple.
inline double terrainHeight(double x, double z)
{
    return 4.0 + 0.012 * (x * x + z * z) + 1.5 * std::sin(0.3 * x) * std::cos(0.25 * z);
}

// Static ground of samples x samples terrain heights over a square of the given
// size centred on the origin (2 (samples - 1)^2 triangles, facing up).
inline MeshData terrainMesh(int samples, float size)
{
    MeshData m;
    const double step = double(size) / (samples - 1);
    for (int j = 0; j < samples; ++j)
        for (int i = 0; i < samples; ++i) {
            const double x = -size / 2.0 + step * i, z = -size / 2.0 + step * j;
            m.addVertex(Vector3{float(x), float(terrainHeight(x, z)), float(z)});
        }
    for (int j = 0; j + 1 < samples; ++j)
        for (int i = 0; i + 1 < samples; ++i) {
            const int a = j * samples + i, b = a + 1, c = a + samples, d = c + 1;
            m.addTriangle(a, c, d);
            m.addTriangle(a, d, b);
        }
    return m;
}

// Owns mesh bodies with their trees and the arrays behind them.
class MeshStore {
public:
    MeshStore() = default;
    MeshStore(const MeshStore&) = delete;
    MeshStore& operator=(const MeshStore&) = delete;
    ~MeshStore()
    {
        for (auto& b : bodies_) delete b->meshTree;
    }

    TriangleMeshBody* body(MeshData data, const Vector3& position, bool dynamic = false, float mass = 1.0f,
                           const Matrix3& rotation = Matrix3::identity())
    {
        MeshData& kept = data_.emplace_back(std::move(data));
        auto body = std::make_unique<TriangleMeshBody>();
        initTriangleMesh(body.get(), mass, kept.vertexCount(), kept.vertices.data(), kept.triangleCount(),
                         kept.indices.data(), dynamic);
        body->id = 0;
        setAtRest(body.get(), position, rotation);
        if (!dynamic) body->worldInverseInertia = Matrix3::zero();
        bodies_.push_back(std::move(body));
        return bodies_.back().get();
    }

private:
    std::deque<MeshData> data_;
    std::vector<std::unique_ptr<TriangleMeshBody>> bodies_;
};

}  // namespace testing_support
