#pragma once
// The water step and its coupling as first written: plain loops over the public
// grids, one interpolate call per sample and the full tree walk for every mesh
// ray. The library's faster step must give exactly the same grids and forces;
// tests and benchmarks run both side by side.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "sim/maths/Matrix4.h"
#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/water/RayTests.h"
#include "sim/water/WaterSimulator.h"

namespace testing_support {
namespace reference {

using physics::BoundingBox;
using physics::Matrix3;
using physics::Matrix4;
using physics::Ray;
using physics::Sphere;
using physics::Vector3;
using physics::rigidbody::BoxBody;
using physics::rigidbody::RigidBody;
using physics::rigidbody::SphereBody;
using physics::rigidbody::TriangleMeshBody;
using physics::water::Array2D;
using physics::water::WaterSimulator;

namespace detail {

constexpr float largestFloat = 3.4028235e38f;
constexpr double dryDepth = 0.0001;
constexpr double movableInverseMass = 1e-5;
constexpr float rayStartHeight = -1000.0f;
constexpr double latticeDivisor = 257.0;
constexpr double latticeOffset = 128.5;
constexpr double nodeFactor = 0.00390625;
constexpr int latticeLast = 256;
constexpr unsigned maxMeshHits = 20;
constexpr double nodeTolerance = 1e-6;
constexpr float buoyancy = 9.81f;
constexpr double density = 1.0;
constexpr double verticalDamping = double(-1.2f);
constexpr double neighbourShare = 0.25;

struct BodyProbe {
    RigidBody* body;
    Vector3 min, max;
    Matrix4 toWorld;
    Matrix4 toBody;
    Vector3 bodyUp;
};

inline bool isMovable(const RigidBody* body) { return !(std::fabs(double(body->inverseMass)) < movableInverseMass); }

inline bool measureBody(RigidBody* body, BodyProbe& probe)
{
    probe.body = body;
    const Vector3& p = body->position;
    switch (body->shapeType) {
    case physics::rigidbody::SHAPE_SPHERE: {
        const float r = static_cast<SphereBody*>(body)->radius;
        probe.min = Vector3{p.x - r, p.y - r, p.z - r};
        probe.max = Vector3{p.x + r, p.y + r, p.z + r};
        return true;
    }
    case physics::rigidbody::SHAPE_BOX: {
        const Vector3& h = static_cast<BoxBody*>(body)->halfExtents;
        const Matrix3& R = body->rotation;
        Vector3 e;
        for (int a = 0; a < 3; ++a)
            e[a] = float(std::fabs(double(h.x) * R[a][0]) + std::fabs(double(h.y) * R[a][1]) +
                         std::fabs(double(h.z) * R[a][2]));
        probe.min = p - e;
        probe.max = p + e;
        return true;
    }
    case physics::rigidbody::SHAPE_TRIANGLE_MESH: {
        const physics::rigidbody::MeshTree* tree = static_cast<TriangleMeshBody*>(body)->meshTree;
        if (!tree || !tree->root) return false;
        probe.toWorld = Matrix4::makeTranslation(p) * Matrix4::fromRotation(body->rotation);
        probe.toBody = Matrix4::inverse(probe.toWorld);
        probe.bodyUp = Matrix3::transpose(body->rotation) * Vector3{0.0f, 1.0f, 0.0f};
        normalise(probe.bodyUp);
        probe.min = Vector3{largestFloat, largestFloat, largestFloat};
        probe.max = Vector3{-largestFloat, -largestFloat, -largestFloat};
        const BoundingBox& b = tree->bounds;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 local{(corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                                (corner & 4) ? b.max.z : b.min.z};
            const Vector3 world = Matrix4::transformAffine(probe.toWorld, local);
            for (int a = 0; a < 3; ++a) {
                if (world[a] < probe.min[a]) probe.min[a] = world[a];
                if (world[a] > probe.max[a]) probe.max[a] = world[a];
            }
        }
        return true;
    }
    default:
        return false;
    }
}

inline int latticeBound(double v) { return int(std::fmax(std::fmin(v, 1073741824.0), -1073741824.0)); }

}  // namespace detail

inline float interpolate(const WaterSimulator& w, const Array2D<float>& grid, float x, float z)
{
    const int lastX = std::min(w.mNx, grid.width) - 1;
    const int lastZ = std::min(w.mNz, grid.height) - 1;
    if (lastX < 0 || lastZ < 0) return 0.0f;
    if (!(x >= 0.0f)) x = 0.0f;
    if (x > float(lastX)) x = float(lastX);
    if (!(z >= 0.0f)) z = 0.0f;
    if (z > float(lastZ)) z = float(lastZ);
    const int x0 = int(x), x1 = x0 + (float(x0) < x ? 1 : 0);
    const int z0 = int(z), z1 = z0 + (float(z0) < z ? 1 : 0);
    const float fx = float(double(x) - x0);
    const float fz = float(double(z) - z0);
    const float w01 = float((1.0 - fx) * fz);
    const float w00 = float((1.0 - fx) * (1.0 - fz));
    const float w10 = float(fx * (1.0 - fz));
    const float w11 = float(double(fx) * fz);
    return float(double(grid(x0, z1)) * w01 + double(grid(x0, z0)) * w00 + double(grid(x1, z0)) * w10 +
                 double(grid(x1, z1)) * w11);
}

namespace detail {

inline bool submergedConvex(const WaterSimulator& w, const BodyProbe& probe, const Ray& ray, float gx, float gz,
                            float& d, Vector3& entryPoint)
{
    unsigned count = 0;
    Vector3 points[2];
    bool hit;
    if (probe.body->shapeType == physics::rigidbody::SHAPE_SPHERE) {
        const auto* sphere = static_cast<const SphereBody*>(probe.body);
        hit = physics::raySphere(Sphere{sphere->position, sphere->radius}, count, points, ray);
    } else {
        hit = physics::rayOrientedBox(ray, *static_cast<const BoxBody*>(probe.body), count, points);
    }
    if (!hit || count != 2) return false;
    const bool firstIsLower = !(points[1].y < points[0].y);
    const Vector3& entry = firstIsLower ? points[0] : points[1];
    const Vector3& exit = firstIsLower ? points[1] : points[0];
    const float s = interpolate(w, w.mSurface, gx, gz);
    if (s <= entry.y) return false;
    d = float(double(s) - entry.y);
    if (exit.y < s) d = float(d - (double(s) - exit.y));
    entryPoint = entry;
    return true;
}

inline bool submergedMesh(const WaterSimulator& w, const BodyProbe& probe, const Ray& worldRay, float gx, float gz,
                          float& d, Vector3& entryPoint)
{
    const physics::rigidbody::MeshTree* tree = static_cast<const TriangleMeshBody*>(probe.body)->meshTree;
    const Ray ray{Matrix4::transformAffine(probe.toBody, worldRay.origin), probe.bodyUp};
    Vector3 hits[maxMeshHits];
    unsigned count = 0;
    if (!physics::rayMeshTree(ray, *tree->root, tree->vertices, hits, count, maxMeshHits) || count == 0)
        return false;
    for (unsigned i = 0; i < count; ++i) hits[i] = Matrix4::transformAffine(probe.toWorld, hits[i]);
    for (unsigned a = 0; a < count; ++a)
        for (unsigned b = a + 1; b < count; ++b)
            if (hits[b].y < hits[a].y) std::swap(hits[a], hits[b]);
    const float s = interpolate(w, w.mSurface, gx, gz);
    if (s <= hits[0].y) return false;
    entryPoint = hits[0];
    d = 0.0f;
    for (unsigned p = 0; p + 1 < count; p += 2) {
        const Vector3& entry = hits[p];
        const Vector3& exit = hits[p + 1];
        if (entry.y >= s) break;
        d = float(d + (double(exit.y) - entry.y));
        if (exit.y > s) {
            d = float(d - (double(exit.y) - s));
            break;
        }
    }
    return true;
}

}  // namespace detail

inline void coupleBodies(WaterSimulator& w)
{
    using namespace detail;
    Array2D<float>& scratch = w.mScratch;
    for (std::size_t i = 0; i < scratch.size(); ++i) scratch.data[i] = 0.0f;

    physics::rigidbody::AbstractSimulator* bodies = w.mRigidBodySimulator;
    const float mSize = w.mSize;
    const float a = float(mSize * nodeFactor);
    for (unsigned b = 0; b < bodies->getNumBodies(); ++b) {
        RigidBody* body = bodies->getBody(b);
        if (!isMovable(body)) continue;
        BodyProbe probe;
        if (!measureBody(body, probe)) continue;
        if (w.mMaxSurface < probe.min.y) continue;

        const float x0 = float(double(probe.min.x) * latticeDivisor / mSize + latticeOffset);
        const float x1 = float(double(probe.max.x) * latticeDivisor / mSize + latticeOffset);
        const float z0 = float(double(probe.min.z) * latticeDivisor / mSize + latticeOffset);
        const float z1 = float(double(probe.max.z) * latticeDivisor / mSize + latticeOffset);
        if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(z0) && std::isfinite(z1))) continue;
        if (x1 < 0.0f || x0 > float(latticeLast) || z1 < 0.0f || z0 > float(latticeLast)) continue;
        const int kFirst = latticeBound(std::ceil(z0)), kLast = latticeBound(std::floor(z1));
        if (kFirst > kLast) continue;
        const int iFirst = latticeBound(std::ceil(x0)), iLast = latticeBound(std::floor(x1));

        const Vector3& v = body->velocity;
        for (int k = kFirst; k <= kLast; ++k)
            for (int i = iFirst; i <= iLast; ++i) {
                const Ray ray{Vector3{float(i / latticeDivisor * mSize - mSize / 2.0), rayStartHeight,
                                      float(k / latticeDivisor * mSize - mSize / 2.0)},
                              Vector3{0.0f, 1.0f, 0.0f}};
                const float gx = float(double(float(i)) * nodeFactor * float(w.mNx - 1));
                const float gz = float(double(float(k)) * nodeFactor * float(w.mNz - 1));

                float d = 0.0f;
                Vector3 entry = Vector3::zero();
                const bool submerged = body->shapeType == physics::rigidbody::SHAPE_TRIANGLE_MESH
                                           ? submergedMesh(w, probe, ray, gx, gz, d, entry)
                                           : submergedConvex(w, probe, ray, gx, gz, d, entry);
                if (!submerged) continue;

                const double fx = double(gx) - std::floor(gx), fz = double(gz) - std::floor(gz);
                if (fx < nodeTolerance && fz < nodeTolerance && i >= 0 && i <= latticeLast && k >= 0 &&
                    k <= latticeLast) {
                    const int nx = int(std::floor(gx)), nz = int(std::floor(gz));
                    if (nx >= 0 && nx < scratch.width && nz >= 0 && nz < scratch.height) scratch(nx, nz) = d;
                }

                const float U = interpolate(w, w.mVelocityX, gx, gz);
                const float W = interpolate(w, w.mVelocityZ, gx, gz);

                Vector3 force = Vector3::zero();
                force += ((Vector3{0.0f, buoyancy, 0.0f} * a) * a) * d * density;
                const float c = float(double(a) * d * a);
                force.x = force.x + c * (U - v.x);
                force.y = force.y + c * 0.0f;
                force.z = force.z + c * (W - v.z);
                if (v.y != 0.0f) {
                    const Vector3 vertical{0.0f, v.y, 0.0f};
                    const float speed = std::fabs(v.y);
                    force += ((vertical * (verticalDamping / speed)) * a) * a;
                }
                const Vector3 point = entry + Vector3{0.0f, d, 0.0f} / 2.0;
                auto finite = [](const Vector3& v) {
                    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
                };
                if (!finite(force) || !finite(point)) continue;
                bodies->addForce(point, force, body);
            }
    }

    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            if (scratch(x, z) > 0.0f) {
                const float q = float(neighbourShare * (double(scratch(x, z)) - w.mPreviousDisplacement(x, z)));
                const int neighbours[4][2] = {{x - 1, z}, {x + 1, z}, {x, z - 1}, {x, z + 1}};
                for (const auto& n : neighbours) w.mDepth(n[0], n[1]) = float(double(w.mDepth(n[0], n[1])) + q);
                for (const auto& n : neighbours)
                    w.mSurface(n[0], n[1]) = float(double(w.mDepth(n[0], n[1])) + w.mGround(n[0], n[1]));
                w.mPreviousDisplacement(x, z) = scratch(x, z);
            } else {
                w.mPreviousDisplacement(x, z) = 0.0f;
            }
        }
}

namespace detail {

inline void copyInterior(const WaterSimulator& w, const Array2D<float>& source, Array2D<float>& destination)
{
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) destination(x, z) = source(x, z);
}

inline void includeInSurfaceRange(WaterSimulator& w, float surface)
{
    if (surface > w.mMaxSurface) w.mMaxSurface = surface;
    if (surface < w.mMinSurface) w.mMinSurface = surface;
}

}  // namespace detail

inline void advectDepth(WaterSimulator& w, float dt)
{
    const Array2D<float>& vx = w.mVelocityX;
    const Array2D<float>& vz = w.mVelocityZ;
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            const float u = float(0.5 * (double(vx(x, z)) + vx(x + 1, z)));
            const float wz = float(0.5 * (double(vz(x, z)) + vz(x, z + 1)));
            const float bx = float(double(x) - double(dt) * w.mInvDx * u);
            const float bz = float(double(z) - double(dt) * w.mInvDx * wz);
            w.mScratch(x, z) = interpolate(w, w.mDepth, bx, bz);
        }
    detail::copyInterior(w, w.mScratch, w.mDepth);
}

inline void advectVelocityX(WaterSimulator& w, float dt)
{
    const Array2D<float>& vx = w.mVelocityX;
    const Array2D<float>& vz = w.mVelocityZ;
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            const float u = vx(x, z);
            const float wz = float(0.25 * (double(vz(x, z)) + vz(x + 1, z) + vz(x, z + 1) + vz(x + 1, z + 1)));
            const float bx = float(double(x) - double(dt) * w.mInvDx * u);
            const float bz = float(double(z) - double(dt) * w.mInvDx * wz);
            w.mScratch(x, z) = interpolate(w, w.mVelocityX, bx, bz);
        }
    detail::copyInterior(w, w.mScratch, w.mVelocityX);
}

inline void advectVelocityZ(WaterSimulator& w, float dt)
{
    const Array2D<float>& vx = w.mVelocityX;
    const Array2D<float>& vz = w.mVelocityZ;
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            const float u = float(0.25 * (double(vx(x, z)) + vx(x + 1, z) + vx(x, z + 1) + vx(x + 1, z + 1)));
            const float wz = vz(x, z);
            const float bx = float(double(x) - double(dt) * w.mInvDx * u);
            const float bz = float(double(z) - double(dt) * w.mInvDx * wz);
            w.mScratch(x, z) = interpolate(w, w.mVelocityZ, bx, bz);
        }
    detail::copyInterior(w, w.mScratch, w.mVelocityZ);
}

inline void updateDepth(WaterSimulator& w, float dt)
{
    w.mMinSurface = detail::largestFloat;
    w.mMaxSurface = -detail::largestFloat;
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            float depth = w.mDepth(x, z);
            if (depth <= detail::dryDepth) depth = 0.0f;
            const float divergence = float((double(w.mVelocityX(x + 1, z)) - w.mVelocityX(x, z)) * w.mInvDx +
                                           (double(w.mVelocityZ(x, z + 1)) - w.mVelocityZ(x, z)) * w.mInvDx);
            depth = float(depth - divergence * (double(dt) * std::min(double(depth), w.deepestStableDepth(dt))));
            if (depth <= detail::dryDepth) {
                depth = 0.0f;
                w.mWet(x, z) = 0;
            } else {
                w.mWet(x, z) = 1;
            }
            w.mDepth(x, z) = depth;
            w.mSurface(x, z) = float(double(depth) + w.mGround(x, z));
            detail::includeInSurfaceRange(w, w.mSurface(x, z));
        }
}

inline void updateVelocities(WaterSimulator& w, float dt)
{
    const float k = float(double(w.mGravity) * dt * w.mInvDx);
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 2; x < w.mNx - 1; ++x) {
            if (w.mWet(x, z))
                w.mVelocityX(x, z) =
                    float(w.mVelocityX(x, z) + (double(w.mSurface(x, z)) - w.mSurface(x - 1, z)) * k);
            else
                w.mVelocityX(x, z) = 0.0f;
        }
    for (int z = 2; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            if (w.mWet(x, z))
                w.mVelocityZ(x, z) =
                    float(w.mVelocityZ(x, z) + (double(w.mSurface(x, z)) - w.mSurface(x, z - 1)) * k);
            else
                w.mVelocityZ(x, z) = 0.0f;
        }
}

inline void applyBoundary(WaterSimulator& w)
{
    auto dry = [&w](int x, int z) {
        w.mWet(x, z) = 0;
        w.mDepth(x, z) = 0.0f;
        w.mSurface(x, z) = w.mGround(x, z);
    };
    for (int x = 0; x < w.mNx; ++x) {
        dry(x, 0);
        dry(x, w.mNz - 1);
    }
    for (int z = 0; z < w.mNz; ++z) {
        dry(0, z);
        dry(w.mNx - 1, z);
    }
}

// One whole step: modifiers, coupling when attached, then the flow.
inline void step(WaterSimulator& w, float dt)
{
    for (std::size_t i = 0; i < w.mModifiers.size(); ++i) w.mModifiers[i]->apply(dt, &w);
    if (w.mRigidBodySimulator) coupleBodies(w);
    advectDepth(w, dt);
    advectVelocityX(w, dt);
    advectVelocityZ(w, dt);
    updateDepth(w, dt);
    updateVelocities(w, dt);
    applyBoundary(w);
}

}  // namespace reference
}  // namespace testing_support
