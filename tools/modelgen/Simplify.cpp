#include "Simplify.h"

#include <algorithm>
#include <cmath>
#include <queue>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The sum of squared distances to planes, as a symmetric 4 x 4 matrix.
struct Quadric {
    double a[10] = {};  // 00 01 02 03 11 12 13 22 23 33

    void addPlane(const Vec3& n, double d, double weight)
    {
        const double p[4] = {n.x, n.y, n.z, d};
        int k = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = i; j < 4; ++j) a[k++] += weight * p[i] * p[j];
    }
    Quadric& operator+=(const Quadric& o)
    {
        for (int k = 0; k < 10; ++k) a[k] += o.a[k];
        return *this;
    }
    double error(const Vec3& p) const
    {
        return a[0] * p.x * p.x + 2 * a[1] * p.x * p.y + 2 * a[2] * p.x * p.z + 2 * a[3] * p.x + a[4] * p.y * p.y +
               2 * a[5] * p.y * p.z + 2 * a[6] * p.y + a[7] * p.z * p.z + 2 * a[8] * p.z + a[9];
    }
    // The point of least error, where the matrix allows one.
    bool minimum(Vec3& p) const
    {
        const double m00 = a[0], m01 = a[1], m02 = a[2], m11 = a[4], m12 = a[5], m22 = a[7];
        const double b0 = -a[3], b1 = -a[6], b2 = -a[8];
        const double c00 = m11 * m22 - m12 * m12, c01 = m02 * m12 - m01 * m22, c02 = m01 * m12 - m02 * m11;
        const double det = m00 * c00 + m01 * c01 + m02 * c02;
        const double scale = (m00 + m11 + m22) / 3;
        if (!(std::fabs(det) > 1e-9 * scale * scale * scale)) return false;
        const double c11 = m00 * m22 - m02 * m02, c12 = m01 * m02 - m00 * m12, c22 = m00 * m11 - m01 * m01;
        p = Vec3(c00 * b0 + c01 * b1 + c02 * b2, c01 * b0 + c11 * b1 + c12 * b2, c02 * b0 + c12 * b1 + c22 * b2) / det;
        return true;
    }
};

// 1 for an equilateral triangle, towards 0 for a needle or a sliver.
double quality(const Vec3& a, const Vec3& b, const Vec3& c)
{
    const double doubleArea = length(cross(b - a, c - a));
    const double squares = dot(b - a, b - a) + dot(c - b, c - b) + dot(a - c, a - c);
    return squares > 0 ? 2.0 * std::sqrt(3.0) * doubleArea / squares : 0.0;
}

struct Candidate {
    double cost;
    int u, v;
    int versionU, versionV;
    Vec3 position;

    bool operator<(const Candidate& o) const  // the cheapest on top; ties by the vertices, so runs repeat
    {
        return std::tie(cost, u, v) > std::tie(o.cost, o.u, o.v);
    }
};

class Simplifier {
public:
    explicit Simplifier(TriangleMesh& mesh) : mMesh(mesh)
    {
        const std::size_t n = mesh.vertices.size();
        mQuadrics.resize(n);
        mTriangles.resize(n);
        mVersion.assign(n, 0);
        mVertexAlive.assign(n, 1);
        mTriangleAlive.assign(mesh.triangles.size(), 1);
        for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
            const Triangle& tri = mesh.triangles[t];
            const Vec3 n2 = areaNormal(mesh, tri);
            const double doubleArea = length(n2);
            if (doubleArea <= 0) continue;
            const Vec3 unit = n2 / doubleArea;
            for (int k = 0; k < 3; ++k) {
                mQuadrics[tri[k]].addPlane(unit, -dot(unit, mesh.vertices[tri[0]]), doubleArea * 0.5);
                mTriangles[tri[k]].push_back(int(t));
            }
        }
    }

    void run(int target)
    {
        int alive = int(mMesh.vertices.size());
        int relaxations = 0;
        while (alive > target) {
            seedAllEdges();
            int collapsed = 0;
            while (alive > target && !mHeap.empty()) {
                const Candidate c = mHeap.top();
                mHeap.pop();
                if (!mVertexAlive[c.u] || !mVertexAlive[c.v] || mVersion[c.u] != c.versionU ||
                    mVersion[c.v] != c.versionV)
                    continue;
                if (!collapse(c)) continue;
                --alive;
                ++collapsed;
            }
            if (alive > target && collapsed == 0) {
                // Every edge left is held back: accept worse triangles.
                if (++relaxations > 6)
                    throw std::runtime_error("the mesh cannot be reduced to " + std::to_string(target) + " vertices");
                mMinQuality *= 0.5;
                mMinCosine -= 0.2;
            }
        }
        compact();
    }

private:
    std::vector<int> ring(int u) const
    {
        std::vector<int> r;
        for (int t : mTriangles[u])
            for (int k = 0; k < 3; ++k)
                if (mMesh.triangles[t][k] != u) r.push_back(mMesh.triangles[t][k]);
        std::sort(r.begin(), r.end());
        r.erase(std::unique(r.begin(), r.end()), r.end());
        return r;
    }

    void seedAllEdges()
    {
        mHeap = {};
        for (std::size_t u = 0; u < mMesh.vertices.size(); ++u) {
            if (!mVertexAlive[u]) continue;
            for (int v : ring(int(u)))
                if (int(u) < v) push(int(u), v);
        }
    }

    void push(int u, int v)
    {
        Quadric q = mQuadrics[u];
        q += mQuadrics[v];
        const Vec3 pu = mMesh.vertices[u], pv = mMesh.vertices[v], mid = (pu + pv) * 0.5;
        const double len = length(pv - pu);
        Vec3 best;
        double bestError = 0;
        bool found = false;
        Vec3 optimum;
        if (q.minimum(optimum) && length(optimum - mid) < len) {
            best = optimum;
            bestError = q.error(optimum);
            found = true;
        }
        for (const Vec3& p : {mid, pu, pv}) {
            const double e = q.error(p);
            if (!found || e < bestError) {
                best = p;
                bestError = e;
                found = true;
            }
        }
        const double cost = std::max(bestError, 0.0) + mLengthWeight * len * len * len * len;
        mHeap.push({cost, u, v, mVersion[u], mVersion[v], best});
    }

    bool has(int t, int u) const
    {
        const Triangle& tri = mMesh.triangles[t];
        return tri[0] == u || tri[1] == u || tri[2] == u;
    }

    bool collapse(const Candidate& c)
    {
        const int u = c.u, v = c.v;
        // Link condition: the ends share exactly the two vertices opposite the edge.
        std::vector<int> shared;
        for (int t : mTriangles[u])
            if (has(t, v)) shared.push_back(t);
        if (shared.size() != 2) return false;
        const std::vector<int> ru = ring(u), rv = ring(v);
        std::vector<int> common;
        std::set_intersection(ru.begin(), ru.end(), rv.begin(), rv.end(), std::back_inserter(common));
        if (common.size() != 2) return false;

        // No triangle that stays may turn over, lose its area or become a needle.
        for (int end : {u, v}) {
            for (int t : mTriangles[end]) {
                if (has(t, u) && has(t, v)) continue;
                Triangle moved = mMesh.triangles[t];
                Vec3 before[3], after[3];
                for (int k = 0; k < 3; ++k) {
                    before[k] = mMesh.vertices[moved[k]];
                    after[k] = moved[k] == end ? c.position : before[k];
                }
                const Vec3 n0 = cross(before[1] - before[0], before[2] - before[0]);
                const Vec3 n1 = cross(after[1] - after[0], after[2] - after[0]);
                const double l0 = length(n0), l1 = length(n1);
                if (!(l1 > 0) || dot(n0, n1) < mMinCosine * l0 * l1) return false;
                const double q1 = quality(after[0], after[1], after[2]);
                if (q1 < mMinQuality && q1 < quality(before[0], before[1], before[2])) return false;
            }
        }

        for (int t : shared) mTriangleAlive[t] = 0;
        for (int t : mTriangles[v]) {
            if (!mTriangleAlive[t]) continue;
            for (int k = 0; k < 3; ++k)
                if (mMesh.triangles[t][k] == v) mMesh.triangles[t][k] = u;
            mTriangles[u].push_back(t);
        }
        std::vector<int>& tu = mTriangles[u];
        tu.erase(std::remove_if(tu.begin(), tu.end(), [&](int t) { return !mTriangleAlive[t]; }), tu.end());
        std::sort(tu.begin(), tu.end());
        tu.erase(std::unique(tu.begin(), tu.end()), tu.end());
        for (int w : common) {
            std::vector<int>& tw = mTriangles[w];
            tw.erase(std::remove_if(tw.begin(), tw.end(), [&](int t) { return !mTriangleAlive[t]; }), tw.end());
        }
        mTriangles[v].clear();
        mVertexAlive[v] = 0;
        mMesh.vertices[u] = c.position;
        mQuadrics[u] += mQuadrics[v];
        ++mVersion[u];
        for (int w : ring(u)) push(std::min(u, w), std::max(u, w));
        return true;
    }

    void compact()
    {
        std::vector<int> newIndex(mMesh.vertices.size(), -1);
        TriangleMesh out;
        for (std::size_t i = 0; i < mMesh.vertices.size(); ++i) {
            if (!mVertexAlive[i]) continue;
            newIndex[i] = int(out.vertices.size());
            out.vertices.push_back(mMesh.vertices[i]);
        }
        for (std::size_t t = 0; t < mMesh.triangles.size(); ++t) {
            if (!mTriangleAlive[t]) continue;
            const Triangle& tri = mMesh.triangles[t];
            out.triangles.push_back({newIndex[tri[0]], newIndex[tri[1]], newIndex[tri[2]]});
        }
        mMesh = std::move(out);
    }

    TriangleMesh& mMesh;
    std::vector<Quadric> mQuadrics;
    std::vector<std::vector<int>> mTriangles;  // the live triangles at each vertex
    std::vector<int> mVersion;
    std::vector<char> mVertexAlive, mTriangleAlive;
    std::priority_queue<Candidate> mHeap;
    double mLengthWeight = 1e-5;
    double mMinQuality = 0.02;
    double mMinCosine = 0.5;
};

}  // namespace

void simplify(TriangleMesh& mesh, int targetVertices) { Simplifier(mesh).run(targetVertices); }
