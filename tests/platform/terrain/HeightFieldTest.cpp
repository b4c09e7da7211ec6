#include "platform/terrain/HeightField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using platform::HeightField;

HeightField field(std::uint32_t nx, std::uint32_t nz, float sizeX, float sizeZ, float (*height)(float, float))
{
    std::vector<float> h(std::size_t(nx) * nz);
    for (std::uint32_t k = 0; k < nz; ++k)
        for (std::uint32_t i = 0; i < nx; ++i)
            h[i + k * nx] = height(float(i * double(sizeX) / (nx - 1)), float(k * double(sizeZ) / (nz - 1)));
    return HeightField(nx, nz, sizeX, sizeZ, h);
}

float plane(float x, float z)
{
    return float(3 + 0.5 * x - 0.25 * z);
}

bool hit(const HeightField& f, Ogre::Vector3 origin, Ogre::Vector3 direction, Ogre::Vector3& point, float& t)
{
    return f.intersect(Ogre::Ray(origin, direction), t, point);
}

TEST(HeightField, VerticalRaysHitFromBelowAndAboveWithEdgesInside)
{
    const HeightField f = field(5, 9, 40, 80, [](float, float) { return 7.25f; });
    for (float x : {0.0f, 13.3f, 40.0f}) {
        for (float z : {0.0f, 41.7f, 80.0f}) {
            Ogre::Vector3 p;
            float t;
            ASSERT_TRUE(hit(f, {x, -1000, z}, Ogre::Vector3::UNIT_Y, p, t)) << x << " " << z;
            EXPECT_EQ(p, Ogre::Vector3(x, 7.25f, z));
            EXPECT_FLOAT_EQ(t, 1007.25f);
            ASSERT_TRUE(hit(f, {x, 1e6f, z}, Ogre::Vector3::NEGATIVE_UNIT_Y, p, t));
            EXPECT_EQ(p, Ogre::Vector3(x, 7.25f, z));
            EXPECT_FLOAT_EQ(t, 1e6f - 7.25f);
        }
    }
    Ogre::Vector3 p;
    float t;
    for (Ogre::Vector2 outside : {Ogre::Vector2(-0.01f, 5), Ogre::Vector2(40.01f, 5), Ogre::Vector2(5, -0.01f),
                                  Ogre::Vector2(5, 80.01f)})
        EXPECT_FALSE(hit(f, {outside.x, -1000, outside.y}, Ogre::Vector3::UNIT_Y, p, t));
    // Pointing away from the surface, or lying flat on no surface.
    EXPECT_FALSE(hit(f, {5, -1000, 5}, Ogre::Vector3::NEGATIVE_UNIT_Y, p, t));
    EXPECT_FALSE(hit(f, {5, 1000, 5}, Ogre::Vector3::UNIT_Y, p, t));
    EXPECT_FALSE(hit(f, {5, 1000, 5}, Ogre::Vector3::ZERO, p, t));
}

TEST(HeightField, HeightsOfATiltedPlaneAreThePlanesAnywhere)
{
    const HeightField f = field(11, 6, 20, 10, plane);
    for (float x = 0; x <= 20; x += 0.37f) {
        for (float z = 0; z <= 10; z += 0.53f) {
            EXPECT_NEAR(f.heightAt(x, z), plane(x, z), 1e-5f) << x << " " << z;
        }
    }
    // Every drawn normal of a plane is the plane's.
    const Ogre::Vector3 n = Ogre::Vector3(-0.5f, 1, 0.25f).normalisedCopy();
    for (std::uint32_t k = 0; k < 6; ++k)
        for (std::uint32_t i = 0; i < 11; ++i) EXPECT_TRUE(f.normal(i, k).positionEquals(n, 1e-6f)) << i << " " << k;
}

// One raised corner shows which diagonal splits the cell: the drawn triangles
// are (0,0)-(0,1)-(1,0) and (0,1)-(1,1)-(1,0).
TEST(HeightField, HeightsBetweenSamplesFollowTheTriangles)
{
    const HeightField raised(2, 2, 1, 1, {0, 0, 0, 1});  // (1, 1) at height 1
    EXPECT_FLOAT_EQ(raised.heightAt(0.5, 0.5), 0.0f);    // on the diagonal
    EXPECT_FLOAT_EQ(raised.heightAt(0.25, 0.25), 0.0f);  // first triangle: flat
    EXPECT_FLOAT_EQ(raised.heightAt(0.75, 0.75), 0.5f);  // second: rises to the corner
    EXPECT_FLOAT_EQ(raised.heightAt(1, 1), 1.0f);
    EXPECT_FLOAT_EQ(raised.heightAt(1, 0.5), 0.5f);

    const HeightField low(2, 2, 1, 1, {1, 0, 0, 0});  // (0, 0) at height 1
    EXPECT_FLOAT_EQ(low.heightAt(0.25, 0.25), 0.5f);
    EXPECT_FLOAT_EQ(low.heightAt(0.75, 0.75), 0.0f);
}

// The nearest of all triangle hits, found the slow way.
bool bruteForce(const HeightField& f, const Ogre::Ray& ray, double& best)
{
    best = std::numeric_limits<double>::infinity();
    for (std::uint32_t k = 0; k + 1 < f.samplesZ(); ++k) {
        for (std::uint32_t i = 0; i + 1 < f.samplesX(); ++i) {
            const Ogre::Vector3 v00 = f.position(i, k), v10 = f.position(i + 1, k), v01 = f.position(i, k + 1),
                                v11 = f.position(i + 1, k + 1);
            const Ogre::Vector3 triangles[2][3] = {{v00, v01, v10}, {v01, v11, v10}};
            for (const auto& t : triangles) {
                const auto r = Ogre::Math::intersects(ray, t[0], t[1], t[2], true, true);
                if (r.first && r.second >= 0 && r.second < best) best = r.second;
            }
        }
    }
    return best < std::numeric_limits<double>::infinity();
}

TEST(HeightField, ObliqueRaysFindTheNearestTriangleAsASlowSearchDoes)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<float> heights(13 * 9);
    for (float& h : heights) h = 4 * unit(random);
    const HeightField f(13, 9, 24, 16, heights);

    int hits = 0;
    for (int n = 0; n < 2000; ++n) {
        const Ogre::Vector3 origin(-10 + 44 * unit(random), -5 + 14 * unit(random), -10 + 36 * unit(random));
        const Ogre::Vector3 target(24 * unit(random), 4 * unit(random), 16 * unit(random));
        const Ogre::Vector3 direction = (target - origin) * (0.5f + unit(random));  // any length
        const Ogre::Ray ray(origin, direction);
        double expected;
        const bool expectHit = bruteForce(f, ray, expected);
        float t;
        Ogre::Vector3 point;
        const bool got = f.intersect(ray, t, point);
        ASSERT_EQ(got, expectHit) << "ray " << n;
        if (!got) continue;
        ++hits;
        EXPECT_NEAR(t, expected, 1e-4 * (1 + expected)) << "ray " << n;
        EXPECT_TRUE(point.positionEquals(ray.getPoint(t), 1e-3f));
        EXPECT_NEAR(point.y, f.heightAt(point.x, point.z), 1e-3f) << "ray " << n;
    }
    EXPECT_GT(hits, 1000);
}

TEST(HeightField, ObliqueRaysAlongAPlaneFromBothSides)
{
    const HeightField f = field(11, 6, 20, 10, plane);
    Ogre::Vector3 p;
    float t;
    // From above, slanting down across cells.
    ASSERT_TRUE(hit(f, {-5, 40, 2}, Ogre::Vector3(1, -1.5f, 0.2f), p, t));
    EXPECT_NEAR(p.x, 15.51f, 0.01f);
    EXPECT_NEAR(p.y, plane(p.x, p.z), 1e-4f);
    // From below, slanting up; and one that leaves the box before meeting the plane.
    ASSERT_TRUE(hit(f, {10, -50, 5}, Ogre::Vector3(0.1f, 1, -0.05f), p, t));
    EXPECT_NEAR(p.y, plane(p.x, p.z), 1e-4f);
    EXPECT_FALSE(hit(f, {10, -50, 5}, Ogre::Vector3(1, 1, 0), p, t));
    // Horizontal, at a height the plane reaches inside.
    ASSERT_TRUE(hit(f, {-3, 8, 4}, Ogre::Vector3::UNIT_X, p, t));
    EXPECT_NEAR(p.x, 12, 1e-4f);
}

}  // namespace
