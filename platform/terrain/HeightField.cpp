#include "platform/terrain/HeightField.h"

#include <OgreColourValue.h>
#include <OgreImage.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace platform {

HeightField::HeightField(std::uint32_t samplesX, std::uint32_t samplesZ, float sizeX, float sizeZ,
                         std::vector<float> heights)
    : mSamplesX(samplesX),
      mSamplesZ(samplesZ),
      mSizeX(sizeX),
      mSizeZ(sizeZ),
      mSpacingX(double(sizeX) / (samplesX - 1)),
      mSpacingZ(double(sizeZ) / (samplesZ - 1)),
      mHeights(std::move(heights))
{
    const auto range = std::minmax_element(mHeights.begin(), mHeights.end());
    mMinimum = *range.first;
    mMaximum = *range.second;
}

HeightField HeightField::fromImage(const Ogre::Image& image, float sizeX, float sizeZ, float minHeight,
                                   float maxHeight)
{
    const std::uint32_t width = image.getWidth(), depth = image.getHeight();
    std::vector<float> heights(std::size_t(width) * depth);
    const double range = double(maxHeight) - minHeight;
    for (std::uint32_t r = 0; r < depth; ++r)
        for (std::uint32_t c = 0; c < width; ++c)
            heights[c + std::size_t(r) * width] = float(minHeight + range * image.getColourAt(c, r, 0).r);
    return HeightField(width, depth, sizeX, sizeZ, std::move(heights));
}

Ogre::Vector3 HeightField::position(std::uint32_t i, std::uint32_t k) const
{
    return Ogre::Vector3(float(double(i) * mSizeX / (mSamplesX - 1)), sample(i, k),
                         float(double(k) * mSizeZ / (mSamplesZ - 1)));
}

Ogre::Vector3 HeightField::normal(std::uint32_t i, std::uint32_t k) const
{
    // Central differences inside, one-sided ones along the border.
    const std::uint32_t left = i > 0 ? i - 1 : i, right = i + 1 < mSamplesX ? i + 1 : i;
    const std::uint32_t back = k > 0 ? k - 1 : k, front = k + 1 < mSamplesZ ? k + 1 : k;
    const double slopeX = (double(sample(right, k)) - sample(left, k)) / ((right - left) * mSpacingX);
    const double slopeZ = (double(sample(i, front)) - sample(i, back)) / ((front - back) * mSpacingZ);
    const double length = std::sqrt(slopeX * slopeX + 1 + slopeZ * slopeZ);
    return Ogre::Vector3(float(-slopeX / length), float(1 / length), float(-slopeZ / length));
}

bool HeightField::contains(double x, double z) const
{
    return x >= 0 && x <= mSizeX && z >= 0 && z <= mSizeZ;
}

float HeightField::heightAt(double x, double z) const
{
    const double u = std::max(0.0, x * (mSamplesX - 1) / mSizeX);
    const double w = std::max(0.0, z * (mSamplesZ - 1) / mSizeZ);
    const std::uint32_t i = std::min(std::uint32_t(u), mSamplesX - 2);
    const std::uint32_t k = std::min(std::uint32_t(w), mSamplesZ - 2);
    const double fx = u - i, fz = w - k;
    const double h00 = sample(i, k), h10 = sample(i + 1, k), h01 = sample(i, k + 1), h11 = sample(i + 1, k + 1);
    if (fx + fz <= 1) return float(h00 + fx * (h10 - h00) + fz * (h01 - h00));
    return float(h11 + (1 - fx) * (h01 - h11) + (1 - fz) * (h10 - h11));
}

bool HeightField::intersect(const Ogre::Ray& ray, float& distance, Ogre::Vector3& point) const
{
    const Ogre::Vector3& o = ray.getOrigin();
    const Ogre::Vector3& d = ray.getDirection();
    if (d.x == 0 && d.z == 0) return intersectVertical(ray, distance, point);

    // The part of the ray inside the terrain's box.
    const double lo[3] = {0, mMinimum, 0}, hi[3] = {mSizeX, mMaximum, mSizeZ};
    double t0 = 0, t1 = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0) {
            if (o[a] < lo[a] || o[a] > hi[a]) return false;
            continue;
        }
        double ta = (lo[a] - o[a]) / d[a], tb = (hi[a] - o[a]) / d[a];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return false;
    }

    // Walk the cells under the ray in the order it crosses them; the first cell
    // with a hit holds the nearest one.
    const double infinity = std::numeric_limits<double>::infinity();
    const double u0 = (o.x + t0 * d.x) / mSpacingX, w0 = (o.z + t0 * d.z) / mSpacingZ;
    long i = std::clamp(long(std::floor(u0)), 0L, long(mSamplesX) - 2);
    long k = std::clamp(long(std::floor(w0)), 0L, long(mSamplesZ) - 2);
    const int stepI = d.x > 0 ? 1 : d.x < 0 ? -1 : 0, stepK = d.z > 0 ? 1 : d.z < 0 ? -1 : 0;
    double nextI = stepI ? ((i + (stepI > 0)) * mSpacingX - o.x) / d.x : infinity;
    double nextK = stepK ? ((k + (stepK > 0)) * mSpacingZ - o.z) / d.z : infinity;
    const double deltaI = stepI ? mSpacingX / std::fabs(d.x) : infinity;
    const double deltaK = stepK ? mSpacingZ / std::fabs(d.z) : infinity;
    // Hits on a cell's border may be found in either neighbour.
    const double slack = 1e-6 * std::max(deltaI == infinity ? 0.0 : deltaI, deltaK == infinity ? 0.0 : deltaK);
    double enter = t0;
    for (;;) {
        const double leave = std::min({nextI, nextK, t1});
        double t;
        if (intersectCell(std::uint32_t(i), std::uint32_t(k), ray, std::max(0.0, enter - slack), leave + slack, t)) {
            distance = float(t);
            point = o + d * float(t);
            return true;
        }
        if (leave >= t1) return false;
        if (nextI < nextK) {
            i += stepI;
            enter = nextI;
            nextI += deltaI;
        } else {
            k += stepK;
            enter = nextK;
            nextK += deltaK;
        }
        if (i < 0 || k < 0 || i > long(mSamplesX) - 2 || k > long(mSamplesZ) - 2) return false;
    }
}

bool HeightField::intersectVertical(const Ogre::Ray& ray, float& distance, Ogre::Vector3& point) const
{
    const Ogre::Vector3& o = ray.getOrigin();
    const float dy = ray.getDirection().y;
    if (dy == 0 || !contains(o.x, o.z)) return false;
    const float h = heightAt(o.x, o.z);
    const double t = (double(h) - o.y) / dy;
    if (t < 0) return false;
    distance = float(t);
    point = Ogre::Vector3(o.x, h, o.z);
    return true;
}

namespace {

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec vec(const Ogre::Vector3& v) { return {v.x, v.y, v.z}; }

// Both faces count; edges and corners too, so that no ray slips between two
// triangles.
bool rayTriangle(Vec o, Vec d, Vec a, Vec b, Vec c, double& t)
{
    constexpr double EDGE = 1e-9;
    const Vec e1 = b - a, e2 = c - a;
    const Vec p = cross(d, e2);
    const double det = dot(e1, p);
    if (det == 0) return false;
    const Vec s = o - a;
    const double u = dot(s, p) / det;
    if (u < -EDGE || u > 1 + EDGE) return false;
    const Vec q = cross(s, e1);
    const double v = dot(d, q) / det;
    if (v < -EDGE || u + v > 1 + EDGE) return false;
    t = dot(e2, q) / det;
    return true;
}

}  // namespace

bool HeightField::intersectCell(std::uint32_t i, std::uint32_t k, const Ogre::Ray& ray, double tMin, double tMax,
                                double& t) const
{
    const Vec o = vec(ray.getOrigin()), d = vec(ray.getDirection());
    const Vec v00 = vec(position(i, k)), v10 = vec(position(i + 1, k));
    const Vec v01 = vec(position(i, k + 1)), v11 = vec(position(i + 1, k + 1));
    bool hit = false;
    double candidate;
    if (rayTriangle(o, d, v00, v01, v10, candidate) && candidate >= tMin && candidate <= tMax) {
        t = candidate;
        hit = true;
    }
    if (rayTriangle(o, d, v01, v11, v10, candidate) && candidate >= tMin && candidate <= tMax &&
        (!hit || candidate < t)) {
        t = candidate;
        hit = true;
    }
    return hit;
}

}  // namespace platform
