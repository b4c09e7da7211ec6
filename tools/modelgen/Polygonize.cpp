#include "Polygonize.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>

namespace {

class Polygonizer {
public:
    explicit Polygonizer(const Solid& solid) : mSolid(solid)
    {
        for (int k = 0; k < 3; ++k)
            mCount[k] = int(std::ceil((solid.hi[k] - solid.lo[k]) / solid.cell)) + 1;
        mValues.resize(std::size_t(mCount[0]) * mCount[1] * mCount[2]);
        for (int z = 0; z < mCount[2]; ++z)
            for (int y = 0; y < mCount[1]; ++y)
                for (int x = 0; x < mCount[0]; ++x) {
                    const double v = solid.distance(point(x, y, z));
                    // The grid's rim must lie outside, or the surface would be cut open there.
                    const bool rim = x == 0 || y == 0 || z == 0 || x == mCount[0] - 1 || y == mCount[1] - 1 ||
                                     z == mCount[2] - 1;
                    if (rim && v < 0) throw std::runtime_error("the solid reaches the rim of its box");
                    mValues[index(x, y, z)] = v;
                }
    }

    TriangleMesh run()
    {
        // The six tetrahedra of a cube: corner 0 to corner 7 through one corner of
        // each axis order, corners numbered x + 2y + 4z.
        static const int paths[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7},
                                        {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};
        for (int z = 0; z + 1 < mCount[2]; ++z)
            for (int y = 0; y + 1 < mCount[1]; ++y)
                for (int x = 0; x + 1 < mCount[0]; ++x)
                    for (const auto& path : paths) {
                        std::int64_t corners[4];
                        for (int i = 0; i < 4; ++i)
                            corners[i] = index(x + (path[i] & 1), y + ((path[i] >> 1) & 1), z + ((path[i] >> 2) & 1));
                        cutTetrahedron(corners);
                    }
        return std::move(mMesh);
    }

private:
    Vec3 point(int x, int y, int z) const
    {
        return {mSolid.lo.x + x * mSolid.cell, mSolid.lo.y + y * mSolid.cell, mSolid.lo.z + z * mSolid.cell};
    }
    Vec3 point(std::int64_t i) const
    {
        const std::int64_t layer = std::int64_t(mCount[0]) * mCount[1];
        return point(int(i % mCount[0]), int(i / mCount[0] % mCount[1]), int(i / layer));
    }
    std::int64_t index(int x, int y, int z) const
    {
        return x + std::int64_t(mCount[0]) * (y + std::int64_t(mCount[1]) * z);
    }
    // A value of exactly zero counts as outside, so every cut edge has one end strictly inside.
    bool inside(std::int64_t i) const { return mValues[i] < 0; }

    // The surface's point on the grid edge from a to b (one inside, one
    // outside), shared by every tetrahedron that has that edge.
    int edgePoint(std::int64_t a, std::int64_t b)
    {
        if (a > b) std::swap(a, b);
        const auto found = mEdgePoints.find({a, b});
        if (found != mEdgePoints.end()) return found->second;

        // Regula falsi on the solid's own distance along the edge, kept away
        // from the ends so that no two edges share a point.
        const Vec3 pa = point(a), pb = point(b);
        double ta = 0, tb = 1, fa = mValues[a], fb = mValues[b];
        double t = fa / (fa - fb);
        for (int i = 0; i < 6; ++i) {
            const double f = mSolid.distance(pa + (pb - pa) * t);
            if ((f < 0) == (fa < 0)) {
                ta = t;
                fa = f;
            } else {
                tb = t;
                fb = f;
            }
            if (fa == fb) break;
            t = ta + (tb - ta) * fa / (fa - fb);
        }
        t = std::clamp(t, 0.01, 0.99);
        mMesh.vertices.push_back(pa + (pb - pa) * t);
        const int id = int(mMesh.vertices.size()) - 1;
        mEdgePoints[{a, b}] = id;
        return id;
    }

    // Adds the triangle wound so that it faces from the inside corners to the outside ones.
    void addTriangle(int p, int q, int r, const Vec3& outwards)
    {
        Triangle t{p, q, r};
        if (dot(areaNormal(mMesh, t), outwards) < 0) std::swap(t[1], t[2]);
        mMesh.triangles.push_back(t);
    }

    void cutTetrahedron(const std::int64_t c[4])
    {
        std::int64_t in[4], out[4];
        int numIn = 0, numOut = 0;
        for (int i = 0; i < 4; ++i) (inside(c[i]) ? in[numIn++] : out[numOut++]) = c[i];
        if (numIn == 0 || numOut == 0) return;

        Vec3 inCentre, outCentre;
        for (int i = 0; i < numIn; ++i) inCentre = inCentre + point(in[i]) / numIn;
        for (int i = 0; i < numOut; ++i) outCentre = outCentre + point(out[i]) / numOut;
        const Vec3 outwards = outCentre - inCentre;

        if (numIn == 1 || numOut == 1) {
            const std::int64_t lone = numIn == 1 ? in[0] : out[0];
            const std::int64_t* others = numIn == 1 ? out : in;
            addTriangle(edgePoint(lone, others[0]), edgePoint(lone, others[1]), edgePoint(lone, others[2]), outwards);
            return;
        }
        // Two inside, two outside: a quad around the tetrahedron's middle.
        const int p0 = edgePoint(in[0], out[0]), p1 = edgePoint(in[0], out[1]);
        const int p2 = edgePoint(in[1], out[1]), p3 = edgePoint(in[1], out[0]);
        addTriangle(p0, p1, p2, outwards);
        addTriangle(p0, p2, p3, outwards);
    }

    const Solid& mSolid;
    int mCount[3];
    std::vector<double> mValues;
    std::map<std::pair<std::int64_t, std::int64_t>, int> mEdgePoints;
    TriangleMesh mMesh;
};

}  // namespace

TriangleMesh polygonize(const Solid& solid) { return Polygonizer(solid).run(); }
