#include "sim/rigidbody/MeshTree.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace physics {
namespace rigidbody {

namespace {

constexpr std::uint32_t LEAF_SIZE = 10;  // nodes with fewer triangles are not split

const float* vertexAt(const float* vertices, std::uint16_t index) { return vertices + 3 * std::size_t(index); }

// The float nearest x on the safe side (x itself when exact).
float floatUp(double x)
{
    const float f = float(x);
    return double(f) >= x ? f : std::nextafter(f, std::numeric_limits<float>::infinity());
}
float floatDown(double x)
{
    const float f = float(x);
    return double(f) <= x ? f : std::nextafter(f, -std::numeric_limits<float>::infinity());
}

// A triangle thinner than this part of its longest edge is left to the full test:
// the distance bounds of the culling need some width (see MeshCulling.h).
constexpr double LEAST_RELATIVE_ALTITUDE = 1e-3;

// A triangle whose plane-value snap (values below 1e-6, of its doubled area
// times the distance) reaches farther from its plane than this part of the
// mesh's radius is marked wideSlab.
constexpr double WIDE_SLAB = 0.05;
constexpr double SNAP = 1e-6;

// Key bits of turn k: the high and the low bit of field k (MeshTree.h).
constexpr std::uint64_t highBit(std::uint32_t k) { return std::uint64_t(1) << (63 - 2 * k); }
constexpr std::uint64_t lowBit(std::uint32_t k) { return std::uint64_t(1) << (62 - 2 * k); }
constexpr std::uint32_t KEY_LEVELS = 32;

TriangleSummary summariseTriangle(const float* verts, const std::uint16_t* tri)
{
    double p[3][3];
    for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a) p[k][a] = vertexAt(verts, tri[k])[a];
    auto edge = [&](int from, int to, double out[3]) {
        for (int a = 0; a < 3; ++a) out[a] = p[to][a] - p[from][a];
    };
    auto length = [](const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); };
    double e1[3], e2[3], e3[3];
    edge(0, 1, e1);
    edge(0, 2, e2);
    edge(1, 2, e3);
    const double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
    const double doubleArea = length(cross);
    const double longest = std::max({length(e1), length(e2), length(e3)});

    TriangleSummary t{};
    // Double sums of exact float products: relative errors of a few 1e-16.
    t.doubleArea = floatDown(doubleArea * (1 - 1e-12));
    t.longestEdge = floatUp(longest * (1 + 1e-12));
    const double altitude = longest > 0 ? doubleArea / longest : 0.0;
    t.altitude = floatDown(altitude * (1 - 1e-12));
    t.irregular = !(doubleArea > 0 && std::isfinite(doubleArea) && std::isfinite(longest) &&
                    altitude >= LEAST_RELATIVE_ALTITUDE * longest);
    t.normal = t.irregular ? Vector3::zero()
                           : Vector3{float(cross[0] / doubleArea), float(cross[1] / doubleArea),
                                     float(cross[2] / doubleArea)};
    const double centre[3] = {(p[0][0] + p[1][0] + p[2][0]) / 3, (p[0][1] + p[1][1] + p[2][1]) / 3,
                              (p[0][2] + p[1][2] + p[2][2]) / 3};
    t.sphere.centre = Vector3{float(centre[0]), float(centre[1]), float(centre[2])};
    double radius = 0;
    for (int k = 0; k < 3; ++k) {
        double d[3];
        for (int a = 0; a < 3; ++a) d[a] = p[k][a] - double(t.sphere.centre[a]);
        radius = std::max(radius, length(d));
    }
    t.sphere.radius = floatUp(radius * (1 + 1e-12));
    t.planeOffset = double(t.normal.x) * t.sphere.centre.x + double(t.normal.y) * t.sphere.centre.y +
                    double(t.normal.z) * t.sphere.centre.z;
    return t;
}

// Every later read of the mesh goes through its indices without checks, so a
// mesh whose triangles reach outside its arrays is refused before anything is built.
void checkArrays(int vertexCount, const float* vertices, int triangleCount, const std::uint16_t* triangles)
{
    if (triangleCount < 0)
        throw std::invalid_argument("mesh tree: negative triangle count " + std::to_string(triangleCount));
    if (triangleCount == 0) return;
    if (!triangles) throw std::invalid_argument("mesh tree: triangles given without an index array");
    if (!vertices) throw std::invalid_argument("mesh tree: triangles given without a vertex array");
    for (std::size_t i = 0; i < 3 * std::size_t(triangleCount); ++i)
        if (triangles[i] >= vertexCount)
            throw std::invalid_argument("mesh tree: triangle " + std::to_string(i / 3) + " refers to vertex " +
                                        std::to_string(triangles[i]) + " of a mesh of " +
                                        std::to_string(vertexCount) + " vertices");
}

}  // namespace

MeshTree::MeshTree() = default;
MeshTree::~MeshTree() { release(); }

void MeshTree::release()
{
    // Iterative: a mesh whose triangles split badly can make a deep tree.
    std::vector<MeshTreeNode*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty()) {
        MeshTreeNode* node = pending.back();
        pending.pop_back();
        if (node->left) pending.push_back(node->left);
        if (node->right) pending.push_back(node->right);
        delete node;
    }
    root = nullptr;
    delete[] triangles;
    triangles = nullptr;
}

void MeshTree::build(int vertexCount_, float* vertices_, int triangleCount_, std::uint16_t* triangles_)
{
    checkArrays(vertexCount_, vertices_, triangleCount_, triangles_);
    release();
    vertexCount = vertexCount_;
    vertices = vertices_;
    triangleCount = triangleCount_;

    const std::size_t indexCount = 3 * std::size_t(triangleCount);
    triangles = new std::uint16_t[indexCount];
    std::copy_n(triangles_, indexCount, triangles);
    reachedVertexCount = indexCount == 0 ? 0 : int(*std::max_element(triangles, triangles + indexCount)) + 1;

    // An empty mesh keeps these bounds: an empty box at the origin.
    root = new MeshTreeNode{std::uint32_t(triangleCount), triangles, BoundingBox{}, nullptr, nullptr};
    buildNode(root, vertices);
    bounds = root->bounds;
    summarise();
}

void MeshTree::summarise()
{
    triangleSummaries.resize(std::size_t(triangleCount));
    std::vector<Vector3> normals(triangleSummaries.size());
    std::vector<bool> regular(triangleSummaries.size());
    for (std::size_t i = 0; i < triangleSummaries.size(); ++i) {
        triangleSummaries[i] = summariseTriangle(vertices, triangles + 3 * i);
        normals[i] = triangleSummaries[i].normal;
        regular[i] = !triangleSummaries[i].irregular;
    }
    normalGrid.build(normals, regular);

    // Nodes numbered depth first, left before right.
    nodeSummaries.clear();
    std::vector<MeshTreeNode*> pending{root};
    while (!pending.empty()) {
        MeshTreeNode* node = pending.back();
        pending.pop_back();
        node->index = std::uint32_t(nodeSummaries.size());

        NodeSummary n{};
        n.firstTriangle = std::uint32_t((node->triangles - triangles) / 3);
        n.minDoubleArea = std::numeric_limits<float>::infinity();
        n.minAltitude = std::numeric_limits<float>::infinity();
        const BoundingBox& b = node->bounds;
        n.box = b;
        n.sphere.centre = Vector3{float((double(b.min.x) + b.max.x) / 2), float((double(b.min.y) + b.max.y) / 2),
                                  float((double(b.min.z) + b.max.z) / 2)};
        double radius = 0;
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
            n.maxEdge = std::max(n.maxEdge, t.longestEdge);
            if (t.irregular) {
                ++n.irregularCount;
            } else {
                n.minDoubleArea = std::min(n.minDoubleArea, t.doubleArea);
                n.minAltitude = std::min(n.minAltitude, t.altitude);
            }
            for (int k = 0; k < 3; ++k) {
                const float* v = vertexAt(vertices, node->triangles[3 * i + k]);
                double d2 = 0;
                for (int a = 0; a < 3; ++a) d2 += (double(v[a]) - n.sphere.centre[a]) * (double(v[a]) - n.sphere.centre[a]);
                radius = std::max(radius, std::sqrt(d2));
            }
        }
        n.sphere.radius = floatUp(radius * (1 + 1e-12));

        // Normal cone about the mean of the regular triangles' normals.
        double axis[3] = {0, 0, 0};
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
            if (t.irregular) continue;
            for (int a = 0; a < 3; ++a) axis[a] += t.normal[a];
        }
        const double axisLength = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        n.coneAngle = 4.0f;
        if (axisLength > 1e-3 * node->triangleCount) {
            for (double& a : axis) a /= axisLength;
            n.coneAxis = Vector3{float(axis[0]), float(axis[1]), float(axis[2])};
            double least = 1;
            for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
                const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
                if (t.irregular) continue;
                least = std::min(least, double(t.normal.x) * n.coneAxis.x + double(t.normal.y) * n.coneAxis.y +
                                            double(t.normal.z) * n.coneAxis.z);
            }
            // Rounding of the stored unit vectors and of the sum, generously.
            n.coneAngle = floatUp(std::acos(std::max(-1.0, least)) + 1e-6);
        }
        // How far the triangles' planes pass from the centre: small for a flat patch,
        // however wide.
        double spread = 0;
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
            if (t.irregular) continue;
            const float* v = vertexAt(vertices, node->triangles[3 * i]);
            double along = 0;
            for (int a = 0; a < 3; ++a) along += double(t.normal[a]) * (double(n.sphere.centre[a]) - v[a]);
            // The stored unit normal is off by a few float roundings.
            spread = std::max(spread, std::fabs(along) + 1e-6 * radius);
        }
        n.planeSpread = floatUp(spread * (1 + 1e-12));
        nodeSummaries.push_back(n);

        if (node->right) pending.push_back(node->right);
        if (node->left) pending.push_back(node->left);
    }

    const double wideArea = SNAP / (WIDE_SLAB * double(nodeSummaries[0].sphere.radius));
    wideSlabTriangles.clear();
    for (std::size_t i = 0; i < triangleSummaries.size(); ++i) {
        TriangleSummary& t = triangleSummaries[i];
        t.wideSlab = t.irregular || !(double(t.doubleArea) >= wideArea);
        if (t.wideSlab) wideSlabTriangles.push_back(std::uint32_t(i));
    }
    for (NodeSummary& n : nodeSummaries) {
        n.wideSlabCount = 0;
        n.wideSlabBox = BoundingBox{};
    }
    pending.assign(1, root);
    while (!pending.empty()) {
        MeshTreeNode* node = pending.back();
        pending.pop_back();
        NodeSummary& n = nodeSummaries[node->index];
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            if (!triangleSummaries[n.firstTriangle + i].wideSlab) continue;
            for (int k = 0; k < 3; ++k) {
                const float* v = vertexAt(vertices, node->triangles[3 * i + k]);
                const Vector3 p{v[0], v[1], v[2]};
                if (n.wideSlabCount == 0 && k == 0) n.wideSlabBox = BoundingBox{p, p};
                for (int a = 0; a < 3; ++a) {
                    n.wideSlabBox.min[a] = std::min(n.wideSlabBox.min[a], p[a]);
                    n.wideSlabBox.max[a] = std::max(n.wideSlabBox.max[a], p[a]);
                }
            }
            ++n.wideSlabCount;
        }
        if (node->right) pending.push_back(node->right);
        if (node->left) pending.push_back(node->left);
    }
    placeLeaves();
}

void MeshTree::placeLeaves()
{
    leaves.clear();
    triangleLeaf.assign(std::size_t(triangleCount), 0);
    leafTurns.assign(nodeSummaries.size(), LeafTurns{0, 0, 0});
    ordered = true;
    struct Place {
        const MeshTreeNode* node;
        LeafTurns turns;
    };
    // Depth first, left before right: the leaves in the walks' order.
    std::vector<Place> pending{{root, LeafTurns{0, 0, 0}}};
    while (!pending.empty()) {
        const Place place = pending.back();
        pending.pop_back();
        const MeshTreeNode* node = place.node;
        if (!node->left) {
            leaves.push_back(node);
            leafTurns[node->index] = place.turns;
            const std::uint32_t first = nodeSummaries[node->index].firstTriangle;
            for (std::uint32_t i = 0; i < node->triangleCount; ++i) triangleLeaf[first + i] = node->index;
            continue;
        }
        const LeafTurns& t = place.turns;
        if (t.depth >= KEY_LEVELS) {
            ordered = false;
            LeafTurns deeper{0, 0, t.depth + 1};
            pending.push_back({node->right, deeper});
            pending.push_back({node->left, deeper});
            continue;
        }
        pending.push_back({node->right, LeafTurns{t.high | highBit(t.depth), t.low | lowBit(t.depth), t.depth + 1}});
        pending.push_back({node->left, LeafTurns{t.high, t.low, t.depth + 1}});
    }
}

void MeshTree::buildNode(MeshTreeNode* node, const float* verts)
{
    for (;;) {
        if (node->triangleCount == 0) return;
        computeNodeBounds(node, verts);
        if (node->triangleCount < LEAF_SIZE) return;

        const long long count = node->triangleCount;
        const long long half = count / 2;
        const long long cx = partition(0, verts, node);
        const long long cy = partition(1, verts, node);
        const long long cz = partition(2, verts, node);
        int axis = 0;
        long long best = std::llabs(half - cx);
        if (std::llabs(half - cy) < best) {
            axis = 1;
            best = std::llabs(half - cy);
        }
        if (std::llabs(half - cz) < best) axis = 2;

        const std::uint32_t e = partition(axis, verts, node);
        if (e == 0 || e == node->triangleCount) return;  // no axis separates them

        node->left = new MeshTreeNode{e, node->triangles, BoundingBox{}, nullptr, nullptr};
        buildNode(node->left, verts);
        node->right =
            new MeshTreeNode{node->triangleCount - e, node->triangles + 3 * std::size_t(e), BoundingBox{}, nullptr, nullptr};
        node = node->right;
    }
}

void MeshTree::computeNodeBounds(MeshTreeNode* node, const float* verts)
{
    if (node->triangleCount == 0) return;
    const float* first = vertexAt(verts, node->triangles[0]);
    Vector3 lo{first[0], first[1], first[2]};
    Vector3 hi = lo;
    const std::size_t refs = 3 * std::size_t(node->triangleCount);
    for (std::size_t i = 0; i < refs; ++i) {
        const float* v = vertexAt(verts, node->triangles[i]);
        for (int axis = 0; axis < 3; ++axis) {
            if (v[axis] < lo[axis]) lo[axis] = v[axis];
            if (v[axis] > hi[axis]) hi[axis] = v[axis];
        }
    }
    node->bounds = BoundingBox{lo, hi};
}

unsigned MeshTree::partition(int axis, const float* verts, MeshTreeNode* node)
{
    const std::uint32_t count = node->triangleCount;
    if (count == 0) return 0;
    std::uint16_t* tri = node->triangles;

    // Mean of all vertex coordinates, i.e. of the centroids; summed in float in the
    // current triangle order.
    float sum = 0.0f;
    for (std::size_t i = 0; i < 3 * std::size_t(count); ++i) sum = sum + vertexAt(verts, tri[i])[axis];
    const float mean = float(double(sum) / (3.0 * double(count)));

    std::uint32_t k = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const float a = vertexAt(verts, tri[3 * i])[axis];
        const float b = vertexAt(verts, tri[3 * i + 1])[axis];
        const float c = vertexAt(verts, tri[3 * i + 2])[axis];
        const float ab = a + b;
        const float abc = ab + c;
        const float centroid = float(double(abc) / 3.0);
        if (centroid < mean) {
            for (int j = 0; j < 3; ++j) std::swap(tri[3 * i + j], tri[3 * k + j]);
            ++k;
        }
    }
    return k;
}

}  // namespace rigidbody
}  // namespace physics
