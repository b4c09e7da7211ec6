// The body-space summaries of a mesh tree (MeshSummaries.h), made at the end
// of its build.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "sim/rigidbody/MeshTree.h"

namespace physics {
namespace rigidbody {

namespace {

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
// the distance bounds of the culling need some width (RoundingBounds.md).
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
    DoubleVector3 p[3];
    for (int k = 0; k < 3; ++k) {
        const float* v = vertexAt(verts, tri[k]);
        p[k] = DoubleVector3{v[0], v[1], v[2]};
    }
    const DoubleVector3 e1 = p[1] - p[0], e2 = p[2] - p[0], e3 = p[2] - p[1];
    const DoubleVector3 normal = cross(e1, e2);
    const double doubleArea = norm(normal);
    const double longest = std::max({norm(e1), norm(e2), norm(e3)});

    TriangleSummary t{};
    // Double sums of exact float products: relative errors of a few 1e-16.
    t.doubleArea = floatDown(doubleArea * (1 - 1e-12));
    t.longestEdge = floatUp(longest * (1 + 1e-12));
    const double altitude = longest > 0 ? doubleArea / longest : 0.0;
    t.altitude = floatDown(altitude * (1 - 1e-12));
    t.irregular = !(doubleArea > 0 && std::isfinite(doubleArea) && std::isfinite(longest) &&
                    altitude >= LEAST_RELATIVE_ALTITUDE * longest);
    t.normal = t.irregular ? Vector3::zero()
                           : Vector3{float(normal.x / doubleArea), float(normal.y / doubleArea),
                                     float(normal.z / doubleArea)};
    const DoubleVector3 centre = (p[0] + p[1] + p[2]) / 3;
    t.sphere.centre = Vector3{float(centre.x), float(centre.y), float(centre.z)};
    double radius = 0;
    for (const DoubleVector3& vertex : p) radius = std::max(radius, norm(vertex - toDouble(t.sphere.centre)));
    t.sphere.radius = floatUp(radius * (1 + 1e-12));
    t.planeOffset = dot(toDouble(t.normal), toDouble(t.sphere.centre));
    return t;
}

}  // namespace

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
                radius = std::max(radius, norm(DoubleVector3{v[0], v[1], v[2]} - toDouble(n.sphere.centre)));
            }
        }
        n.sphere.radius = floatUp(radius * (1 + 1e-12));

        // Normal cone about the mean of the regular triangles' normals.
        DoubleVector3 axis{0, 0, 0};
        for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
            const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
            if (!t.irregular) axis = axis + toDouble(t.normal);
        }
        const double axisLength = norm(axis);
        n.coneAngle = 4.0f;
        if (axisLength > 1e-3 * node->triangleCount) {
            axis = axis / axisLength;
            n.coneAxis = Vector3{float(axis.x), float(axis.y), float(axis.z)};
            double least = 1;
            for (std::uint32_t i = 0; i < node->triangleCount; ++i) {
                const TriangleSummary& t = triangleSummaries[n.firstTriangle + i];
                if (t.irregular) continue;
                least = std::min(least, dot(toDouble(t.normal), toDouble(n.coneAxis)));
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
            const double along = dot(toDouble(t.normal), toDouble(n.sphere.centre) - DoubleVector3{v[0], v[1], v[2]});
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

}  // namespace rigidbody
}  // namespace physics
