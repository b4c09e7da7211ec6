#include "TriangleMesh.h"

#include <algorithm>
#include <map>
#include <utility>

std::string closedSurfaceFault(const TriangleMesh& mesh)
{
    std::map<std::pair<int, int>, int> directed;
    std::vector<int> uses(mesh.vertices.size(), 0);
    double volume = 0;
    for (const Triangle& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            if (t[k] < 0 || t[k] >= int(mesh.vertices.size())) return "an index outside the vertices";
            ++uses[t[k]];
            if (++directed[{t[k], t[(k + 1) % 3]}] > 1) return "an edge used twice in one direction";
        }
        if (length(areaNormal(mesh, t)) <= 0) return "a triangle without area";
        volume += dot(mesh.vertices[t[0]], cross(mesh.vertices[t[1]], mesh.vertices[t[2]]));
    }
    for (const auto& [edge, count] : directed)
        if (!directed.count({edge.second, edge.first})) return "an open edge";
    if (std::find(uses.begin(), uses.end(), 0) != uses.end()) return "a vertex of no triangle";

    // One piece: every vertex reached from vertex 0 along the edges.
    std::vector<int> parent(mesh.vertices.size());
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = int(i);
    auto root = [&](int i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    for (const auto& [edge, count] : directed) parent[root(edge.first)] = root(edge.second);
    for (std::size_t i = 0; i < parent.size(); ++i)
        if (root(int(i)) != root(0)) return "more than one piece";
    if (!(volume > 0)) return "wound inwards";
    return "";
}

void centreAndScale(TriangleMesh& mesh, double largestSide)
{
    Vec3 lo = mesh.vertices[0], hi = mesh.vertices[0];
    for (const Vec3& v : mesh.vertices) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    const Vec3 centre = (lo + hi) * 0.5, size = hi - lo;
    const double scale = largestSide / std::max({size.x, size.y, size.z});
    for (Vec3& v : mesh.vertices) v = (v - centre) * scale;
}
