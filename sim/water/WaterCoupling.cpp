// The two-way coupling of the water with the rigid bodies: vertical rays through
// each movable body measure how deep it reaches below the surface; every
// submerged ray gives the body buoyancy, drag towards the water's flow and a
// vertical damping, and the water column displaced under each grid node is pushed
// out to its four neighbours.
#include "sim/water/WaterCoupling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "sim/rigidbody/AbstractSimulator.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"
#include "sim/water/MeshRayLattice.h"
#include "sim/water/RayTests.h"
#include "sim/water/WaterSimulator.h"

namespace physics {
namespace water {
namespace coupling {

namespace {

using rigidbody::BoxBody;
using rigidbody::RigidBody;
using rigidbody::SphereBody;
using rigidbody::TriangleMeshBody;

constexpr float largestFloat = 3.4028235e38f;
constexpr double movableInverseMass = 1e-5;
// The rays are spaced mSize / 257 apart, but each stands for a square of side
// mSize / 256 and maps to the grid by 1 / 256.
constexpr double latticeDivisor = 257.0;
constexpr double latticeOffset = 128.5;
constexpr double nodeFactor = 0.00390625;
constexpr int latticeLast = 256;
constexpr double nodeTolerance = 1e-6;
constexpr float buoyancy = 9.81f;
constexpr double density = 1.0;
constexpr double verticalDamping = double(-1.2f);
constexpr double neighbourShare = 0.25;

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool isMovable(const RigidBody* body) { return !(std::fabs(double(body->inverseMass)) < movableInverseMass); }

// World bounds by shape; false for a shape the water does not know.
bool measureBody(RigidBody* body, BodyProbe& probe)
{
    const Vector3& p = body->position;
    switch (body->shapeType) {
    case rigidbody::SHAPE_SPHERE: {
        const float r = static_cast<SphereBody*>(body)->radius;
        probe.min = Vector3{p.x - r, p.y - r, p.z - r};
        probe.max = Vector3{p.x + r, p.y + r, p.z + r};
        return true;
    }
    case rigidbody::SHAPE_BOX: {
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
    case rigidbody::SHAPE_TRIANGLE_MESH: {
        const rigidbody::MeshTree* tree = static_cast<TriangleMeshBody*>(body)->meshTree;
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

// A constant push against the vertical motion; none at rest, where the direction
// is undefined.
Vector3 dampingOf(const Vector3& v, float a)
{
    if (v.y == 0.0f) return Vector3::zero();
    const Vector3 vertical{0.0f, v.y, 0.0f};
    // |v.y| is the length of (0, v.y, 0), also where its square would underflow
    // to 0 or overflow (an infinite or vanishing push).
    const float speed = std::fabs(v.y);
    return ((vertical * (verticalDamping / speed)) * a) * a;
}

// World x (or z) of lattice ray i.
float rayCoordinate(int i, float size) { return float(i / latticeDivisor * size - size / 2.0); }

// Lattice index bound of a finite coordinate, kept in the range of int.
int latticeBound(double v) { return int(std::fmax(std::fmin(v, 1073741824.0), -1073741824.0)); }

// Submerged length d and entry point of a ray through a sphere or a box; false
// when the ray does nothing.
bool submergedConvex(const BodyProbe& probe, const Ray& ray, RayWater& water, float& d, Vector3& entryPoint)
{
    unsigned count = 0;
    Vector3 points[2];
    bool hit;
    if (probe.body->shapeType == rigidbody::SHAPE_SPHERE) {
        const auto* sphere = static_cast<const SphereBody*>(probe.body);
        hit = raySphere(Sphere{sphere->position, sphere->radius}, count, points, ray);
    } else {
        hit = rayOrientedBox(ray, *static_cast<const BoxBody*>(probe.body), count, points);
    }
    if (!hit || count != 2) return false;

    const bool firstIsLower = !(points[1].y < points[0].y);
    const Vector3& entry = firstIsLower ? points[0] : points[1];
    const Vector3& exit = firstIsLower ? points[1] : points[0];
    const float s = water.surface();
    if (s <= entry.y) return false;
    d = float(double(s) - entry.y);
    if (exit.y < s) d = float(d - (double(s) - exit.y));
    entryPoint = entry;
    return true;
}

// The same for a mesh, from its hits in body coordinates (in walk order, at most
// maxMeshHits): back in world coordinates and sorted upwards, they are taken in
// pairs of entry and exit.
bool submergedMesh(const BodyProbe& probe, Vector3* hits, unsigned count, RayWater& water, float& d,
                   Vector3& entryPoint)
{
    if (count == 0) return false;
    for (unsigned i = 0; i < count; ++i) hits[i] = Matrix4::transformAffine(probe.toWorld, hits[i]);
    for (unsigned a = 0; a < count; ++a)
        for (unsigned b = a + 1; b < count; ++b)
            if (hits[b].y < hits[a].y) std::swap(hits[a], hits[b]);

    const float s = water.surface();
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

}  // namespace

bool probeBody(RigidBody* body, float size, BodyProbe& probe)
{
    if (!isMovable(body)) return false;
    probe.body = body;
    if (!measureBody(body, probe)) return false;
    probe.raySide = float(size * nodeFactor);
    probe.damping = dampingOf(body->velocity, probe.raySide);
    return true;
}

bool rayRange(const BodyProbe& probe, float size, float highestSurface, RayRange& range)
{
    if (highestSurface < probe.min.y) return false;
    const float x0 = float(double(probe.min.x) * latticeDivisor / size + latticeOffset);
    const float x1 = float(double(probe.max.x) * latticeDivisor / size + latticeOffset);
    const float z0 = float(double(probe.min.z) * latticeDivisor / size + latticeOffset);
    const float z1 = float(double(probe.max.z) * latticeDivisor / size + latticeOffset);
    // A body whose pose is no longer a number has no rays.
    if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(z0) && std::isfinite(z1))) return false;
    if (x1 < 0.0f || x0 > float(latticeLast) || z1 < 0.0f || z0 > float(latticeLast)) return false;
    range.kFirst = latticeBound(std::ceil(z0));
    range.kLast = latticeBound(std::floor(z1));
    if (range.kFirst > range.kLast) return false;
    range.iFirst = latticeBound(std::ceil(x0));
    range.iLast = latticeBound(std::floor(x1));
    return range.iFirst <= range.iLast;
}

RayLine rayLine(int i, int n, int cells, float size)
{
    const float g = float(double(float(i)) * nodeFactor * float(n - 1));
    const double floor = std::floor(g);
    const bool onNode = double(g) - floor < nodeTolerance && i >= 0 && i <= latticeLast;
    return RayLine{rayCoordinate(i, size), g, onNode && floor >= 0.0 && floor < double(cells) ? int(floor) : -1};
}

Ray latticeRay(const RayLine& column, const RayLine& row)
{
    return Ray{Vector3{column.world, rayStartHeight, row.world}, Vector3{0.0f, 1.0f, 0.0f}};
}

unsigned castMeshRay(const BodyProbe& probe, const Ray& ray, Vector3* hits)
{
    const rigidbody::MeshTree* tree = static_cast<const TriangleMeshBody*>(probe.body)->meshTree;
    const Ray bodyRay{Matrix4::transformAffine(probe.toBody, ray.origin), probe.bodyUp};
    unsigned count = 0;
    rayMeshTree(bodyRay, *tree->root, tree->vertices, hits, count, maxMeshHits);
    return count;
}

bool pushOfRay(const BodyProbe& probe, const Ray& ray, Vector3* meshHits, unsigned meshHitCount, RayWater& water,
               RayPush& push)
{
    float d = 0.0f;
    Vector3 entry = Vector3::zero();
    const bool submerged = probe.body->shapeType == rigidbody::SHAPE_TRIANGLE_MESH
                               ? submergedMesh(probe, meshHits, meshHitCount, water, d, entry)
                               : submergedConvex(probe, ray, water, d, entry);
    if (!submerged) return false;
    push.column = d;

    const float U = water.velocityX();
    const float W = water.velocityZ();
    const float a = probe.raySide;
    const Vector3& v = probe.body->velocity;
    Vector3 force = Vector3::zero();
    force += ((Vector3{0.0f, buoyancy, 0.0f} * a) * a) * d * density;
    const float c = float(double(a) * d * a);
    force.x = force.x + c * (U - v.x);
    force.y = force.y + c * 0.0f;
    force.z = force.z + c * (W - v.z);
    force += probe.damping;
    push.force = force;
    push.point = entry + Vector3{0.0f, d, 0.0f} / 2.0;
    return true;
}

void RayPush::applyTo(rigidbody::AbstractSimulator& bodies, RigidBody* body) const
{
    if (finite(force) && finite(point)) bodies.addForce(point, force, body);
}

void pushOutDisplacedWater(WaterSimulator& w)
{
    for (int z = 1; z < w.mNz - 1; ++z)
        for (int x = 1; x < w.mNx - 1; ++x) {
            const float column = w.mScratch(x, z);
            if (!(column > 0.0f)) {
                w.mPreviousDisplacement(x, z) = 0.0f;
                continue;
            }
            const float q = float(neighbourShare * (double(column) - w.mPreviousDisplacement(x, z)));
            const int neighbours[4][2] = {{x - 1, z}, {x + 1, z}, {x, z - 1}, {x, z + 1}};
            for (const auto& n : neighbours) w.mDepth(n[0], n[1]) = float(double(w.mDepth(n[0], n[1])) + q);
            for (const auto& n : neighbours)
                w.mSurface(n[0], n[1]) = float(double(w.mDepth(n[0], n[1])) + w.mGround(n[0], n[1]));
            w.mPreviousDisplacement(x, z) = column;
        }
}

}  // namespace coupling

namespace {

// The water at a ray's grid position (gx, gz). When the three grids are laid out
// alike (always, for the simulator's own grids) the neighbours and weights are
// found once for all three.
class WaterUnderRay final : public coupling::RayWater {
public:
    WaterUnderRay(const WaterSimulator& water, const flow::Sampler& grids, bool alike, float gx, float gz)
        : water(water), grids(grids), alike(alike), gx(gx), gz(gz)
    {
    }

    float surface() override { return sample(water.mSurface); }
    float velocityX() override { return sample(water.mVelocityX); }
    float velocityZ() override { return sample(water.mVelocityZ); }

private:
    float sample(const Array2D<float>& grid)
    {
        if (!alike) return water.interpolate(grid, gx, gz);
        if (grids.empty) return 0.0f;
        if (!located) {
            point = grids.locate(gx, gz);
            located = true;
        }
        return flow::Sampler::blend(grid.data, point);
    }

    const WaterSimulator& water;
    const flow::Sampler& grids;
    const bool alike;
    const float gx, gz;
    bool located = false;
    flow::Sampler::Point point;
};

// Mesh bodies whose footprint covers more rays than this walk the tree ray by ray.
constexpr long long maxLatticeRays = 1 << 20;

// A body whose footprint covers more rays than sixteen lattices (far more than
// any body the water's domain can hold) is probed beyond each edge of the lattice
// by at most maxOuterLines columns, and rows, of rays: each outer ray stands for a
// run of its neighbours and carries their forces. So one coupling costs at most
// sixteen lattices of rays and forces per body, whatever its size; every smaller
// body is probed ray by ray as the lattice has it.
constexpr long long maxBodyRays = 16LL * 257 * 257;
constexpr long long maxOuterLines = 128;
constexpr int latticeLast = 256;

}  // namespace

void WaterSimulator::RayLines::set(int first, int last, int n, int cells, float size, bool runs)
{
    world.clear();
    grid.clear();
    node.clear();
    weight.clear();
    auto add = [&](long long i, long long runLength) {
        const coupling::RayLine line = coupling::rayLine(int(i), n, cells, size);
        world.push_back(line.world);
        grid.push_back(line.grid);
        node.push_back(line.node);
        weight.push_back(double(runLength));
    };
    // Lines from..to (inclusive) beyond an edge: each one, or runs of them each
    // probed by its middle line.
    auto addOuter = [&](long long from, long long to) {
        const long long count = to - from + 1;
        const long long run = !runs || count <= maxOuterLines ? 1 : (count + maxOuterLines - 1) / maxOuterLines;
        for (long long i = from; i <= to; i += run) {
            const long long length = std::min(run, to - i + 1);
            add(i + (length - 1) / 2, length);
        }
    };
    if (first < 0) addOuter(first, std::min(last, -1));
    if (latticeN != n || latticeCells != cells || std::memcmp(&latticeSize, &size, sizeof size) != 0) {
        latticeWorld.clear();
        latticeGrid.clear();
        latticeNode.clear();
        for (int i = 0; i <= latticeLast; ++i) {
            const coupling::RayLine line = coupling::rayLine(i, n, cells, size);
            latticeWorld.push_back(line.world);
            latticeGrid.push_back(line.grid);
            latticeNode.push_back(line.node);
        }
        latticeN = n;
        latticeCells = cells;
        latticeSize = size;
    }
    for (int i = std::max(first, 0); i <= std::min(last, latticeLast); ++i) {
        world.push_back(latticeWorld[std::size_t(i)]);
        grid.push_back(latticeGrid[std::size_t(i)]);
        node.push_back(latticeNode[std::size_t(i)]);
        weight.push_back(1.0);
    }
    if (last > latticeLast) addOuter(std::max(first, latticeLast + 1), last);
}

void WaterSimulator::coupleBodies()
{
    std::fill(mScratch.data, mScratch.data + mScratch.size(), 0.0f);
    const RayWaterGrids grids{sampler(mSurface), mVelocityX.width == mSurface.width &&
                                                     mVelocityX.height == mSurface.height &&
                                                     mVelocityZ.width == mSurface.width &&
                                                     mVelocityZ.height == mSurface.height};
    for (unsigned b = 0; b < mRigidBodySimulator->getNumBodies(); ++b) {
        coupling::BodyProbe probe;
        coupling::RayRange range;
        if (coupling::probeBody(mRigidBodySimulator->getBody(b), mSize, probe) &&
            coupling::rayRange(probe, mSize, mMaxSurface, range))
            probeRays(probe, range, grids);
    }
    coupling::pushOutDisplacedWater(*this);
}

// The rays' lines (world and grid coordinates, and the grid node, of each column
// and each row) are worked out once for the body; a mesh body's rays are cast
// together when the lattice allows it, else each walks the tree.
void WaterSimulator::probeRays(const coupling::BodyProbe& probe, const coupling::RayRange& range,
                               const RayWaterGrids& grids)
{
    const bool runs =
        ((long long)range.iLast - range.iFirst + 1) * ((long long)range.kLast - range.kFirst + 1) > maxBodyRays;
    mRayColumns.set(range.iFirst, range.iLast, mNx, mScratch.width, mSize, runs);
    mRayRows.set(range.kFirst, range.kLast, mNz, mScratch.height, mSize, runs);
    const std::size_t columns = mRayColumns.world.size(), rows = mRayRows.world.size();

    const auto* mesh = probe.body->shapeType == rigidbody::SHAPE_TRIANGLE_MESH
                           ? static_cast<const rigidbody::TriangleMeshBody*>(probe.body)
                           : nullptr;
    const bool castTogether = mesh && (long long)columns * (long long)rows <= maxLatticeRays &&
                              mMeshRays.prepare(*mesh->meshTree, probe.toBody, probe.bodyUp, coupling::rayStartHeight,
                                                mRayColumns.world, mRayRows.world);
    for (std::size_t row = 0; row < rows; ++row)
        for (std::size_t column = 0; column < columns; ++column) pushRay(probe, column, row, castTogether, grids);
}

void WaterSimulator::pushRay(const coupling::BodyProbe& probe, std::size_t column, std::size_t row, bool castTogether,
                             const RayWaterGrids& grids)
{
    const coupling::RayLine x{mRayColumns.world[column], mRayColumns.grid[column], mRayColumns.node[column]};
    const coupling::RayLine z{mRayRows.world[row], mRayRows.grid[row], mRayRows.node[row]};
    const Ray ray = coupling::latticeRay(x, z);
    Vector3 hits[coupling::maxMeshHits];
    unsigned count = 0;
    if (castTogether) count = mMeshRays.cast(int(column), int(row), hits, coupling::maxMeshHits);
    else if (probe.body->shapeType == rigidbody::SHAPE_TRIANGLE_MESH) count = coupling::castMeshRay(probe, ray, hits);

    WaterUnderRay water(*this, grids.surface, grids.alike, x.grid, z.grid);
    coupling::RayPush push;
    if (!coupling::pushOfRay(probe, ray, hits, count, water, push)) return;
    // Only rays on grid nodes record the column they displace.
    if (x.node >= 0 && z.node >= 0) mScratch(x.node, z.node) = push.column;
    // A ray beyond the lattice standing for a run of them carries the run's force.
    const double run = mRayColumns.weight[column] * mRayRows.weight[row];
    if (run != 1.0) push.force = Vector3{float(push.force.x * run), float(push.force.y * run), float(push.force.z * run)};
    push.applyTo(*mRigidBodySimulator, probe.body);
}

}  // namespace water
}  // namespace physics
