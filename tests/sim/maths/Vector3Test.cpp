#include "sim/maths/Vector3.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/maths/BoundingBox.h"
#include "sim/maths/Plane.h"

using physics::BoundingBox;
using physics::Plane;
using physics::Vector3;

namespace {

// Values chosen so that rounding once and rounding every node give different floats.
TEST(Vector3, EachExpressionNodeRoundsToFloat)
{
    const Vector3 a{3.032f, 0.0f, 0.0f}, v{5.774f, 0.0f, 0.0f};
    const float s = -8.123f;
    const Vector3 r = a + v * s;

    const float product = v.x * s;
    EXPECT_EQ(r.x, product + a.x);
    EXPECT_NE(r.x, float(double(v.x) * s + a.x)) << "the case must tell the two rules apart";

    // (a - b) * s + c rounds the difference, the product and the sum.
    const Vector3 b{1.1f, 2.2f, 3.3f}, c{0.7f, 0.8f, 0.9f};
    const Vector3 q = (v - b) * s + c;
    const float diff = v.x - b.x, scaled = diff * s;
    EXPECT_EQ(q.x, scaled + c.x);
}

TEST(Vector3, DoubleScalarIsConvertedToFloatFirst)
{
    const Vector3 v{-3.631f, 1.0f, 2.0f};
    const Vector3 r = v * 0.1;
    EXPECT_EQ(r.x, v.x * 0.1f);
    EXPECT_NE(r.x, float(v.x * 0.1));
}

TEST(Vector3, DotProductSumsZYXFromZero)
{
    const Vector3 a{4.43f, -5.42f, 8.91f}, b{8.03f, -9.39f, -9.49f};
    float s = float(0.0 + double(a.z) * b.z);
    s = float(double(s) + double(a.y) * b.y);
    s = float(double(s) + double(a.x) * b.x);
    EXPECT_EQ(physics::dotProduct(a, b), s);
    EXPECT_EQ(physics::squaredLength(a), physics::dotProduct(a, a));
    // Neither x-first nor a single rounding gives the same float here.
    float t = float(double(a.x) * b.x);
    t = float(double(t) + double(a.y) * b.y);
    t = float(double(t) + double(a.z) * b.z);
    EXPECT_NE(physics::dotProduct(a, b), t);
    EXPECT_NE(physics::dotProduct(a, b), float(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z));
}

TEST(Vector3, CrossProductRoundsEachComponentOnce)
{
    const Vector3 a{1.0f, 7.871f, 5.935f}, b{0.0f, 8.132f, 5.258f};
    const Vector3 c = physics::crossProduct(a, b);
    EXPECT_EQ(c.x, float(double(a.y) * b.z - double(a.z) * b.y));
    EXPECT_NE(c.x, a.y * b.z - a.z * b.y);
    const Vector3 k = physics::crossProduct(Vector3{1, 0, 0}, Vector3{0, 1, 0});
    EXPECT_EQ(k.x, 0.0f);
    EXPECT_EQ(k.y, 0.0f);
    EXPECT_EQ(k.z, 1.0f);
}

TEST(Vector3, NormaliseAndItsZeroCase)
{
    Vector3 v{3.0f, 0.0f, 4.0f};
    physics::normalise(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);

    Vector3 z = Vector3::zero();
    physics::normalise(z);
    EXPECT_TRUE(std::isnan(z.x) && std::isnan(z.y) && std::isnan(z.z));
}

TEST(Vector3, CompoundAssignmentAndAliasing)
{
    Vector3 a{1.0f, 2.0f, 3.0f};
    const Vector3 v{0.5f, 0.25f, -1.0f};
    a += v * 2.0f;
    EXPECT_EQ(a.x, 2.0f);
    EXPECT_EQ(a.y, 2.5f);
    EXPECT_EQ(a.z, 1.0f);
    a = a + a * 2.0f;  // target inside the expression
    EXPECT_EQ(a.x, 6.0f);
    EXPECT_EQ(a.y, 7.5f);
    EXPECT_EQ(a.z, 3.0f);
    a -= v;
    EXPECT_EQ(a.x, 5.5f);
    const Vector3 n = -v;
    EXPECT_EQ(n.z, 1.0f);
}

TEST(Vector3, SharedZeroIsOneObject)
{
    EXPECT_EQ(&Vector3::zero(), &Vector3::zero());
    EXPECT_EQ(Vector3::zero().x, 0.0f);
    EXPECT_EQ(Vector3::zero().y, 0.0f);
    EXPECT_EQ(Vector3::zero().z, 0.0f);
}

TEST(Plane, SignedDistanceIsPositiveOnTheNormalSide)
{
    const Plane floor{Vector3{0.0f, 1.0f, 0.0f}, -2.0f};  // y = 2
    EXPECT_EQ(Plane::signedDistance(floor, Vector3{5.0f, 3.5f, -9.0f}), 1.5f);
    EXPECT_EQ(Plane::signedDistance(floor, Vector3{0.0f, 2.0f, 0.0f}), 0.0f);
    EXPECT_EQ(Plane::signedDistance(floor, Vector3{0.0f, -1.0f, 0.0f}), -3.0f);
    const Plane wall{Vector3{-1.0f, 0.0f, 0.0f}, 10.0f};  // x = 10, facing -x
    EXPECT_EQ(Plane::signedDistance(wall, Vector3{4.0f, 0.0f, 0.0f}), 6.0f);
}

TEST(BoundingBox, HalfExtentsHalveTheRoundedDifference)
{
    const BoundingBox box{Vector3{-1.0f, 2.0f, 0.1f}, Vector3{3.0f, 2.0f, 0.7f}};
    const Vector3 h = box.halfExtents();
    EXPECT_EQ(h.x, 2.0f);
    EXPECT_EQ(h.y, 0.0f);
    EXPECT_EQ(h.z, float((0.7f - 0.1f) * 0.5));
}

}  // namespace

namespace {

TEST(Plane, SignedDistanceGoesThroughThePlanePointInFloat)
{
    int differsFromDirectForm = 0;
    for (int i = 1; i <= 200; ++i) {
        Vector3 n{0.3f + 0.01f * i, -0.7f, 0.45f - 0.003f * i};
        physics::normalise(n);
        const Plane plane{n, 0.37f + 0.011f * i};
        const Vector3 p{1.3f * i, -0.77f * i, 2.9f - 0.1f * i};

        const Vector3 q{-n.x * plane.d, -n.y * plane.d, -n.z * plane.d};
        float s = float(0.0 + double(p.z - q.z) * n.z);
        s = float(double(s) + double(p.y - q.y) * n.y);
        s = float(double(s) + double(p.x - q.x) * n.x);
        const float distance = Plane::signedDistance(plane, p);
        EXPECT_EQ(distance, s);
        if (distance != float(physics::dotProduct(n, p) + double(plane.d))) ++differsFromDirectForm;
    }
    EXPECT_GT(differsFromDirectForm, 0) << "the cases must tell the two forms apart";
}

TEST(Plane, DefaultIsZero)
{
    const Plane p{};
    EXPECT_EQ(p.normal.x, 0.0f);
    EXPECT_EQ(p.normal.y, 0.0f);
    EXPECT_EQ(p.normal.z, 0.0f);
    EXPECT_EQ(p.d, 0.0f);
}

}  // namespace

namespace {

// Every expression shape the library writes, evaluated through the templates and
// by hand with one float rounding per node. The inputs are varied so that a
// shape evaluated in double and rounded once would give other floats.
TEST(Vector3, EveryLibraryShapeRoundsPerNode)
{
    struct Inputs {
        Vector3 a, b, c, u, v, d;
        float s, s1, s2, s3, s4, t;
    };
    using Build = Vector3 (*)(const Inputs&);
    using Component = float (*)(const Inputs&, int);
    struct Shape {
        const char* name;
        Build templates;
        Component perNode;
        Component once;  // the same shape in double, rounded once
    };
    const Shape shapes[] = {
        {"a += v * s", [](const Inputs& i) { Vector3 r = i.a; r += i.v * i.s; return r; },
         [](const Inputs& i, int k) { return i.a[k] + i.v[k] * i.s; },
         [](const Inputs& i, int k) { return float(i.a[k] + double(i.v[k]) * i.s); }},
        {"a + v * s", [](const Inputs& i) -> Vector3 { return i.a + i.v * i.s; },
         [](const Inputs& i, int k) { return i.a[k] + i.v[k] * i.s; },
         [](const Inputs& i, int k) { return float(i.a[k] + double(i.v[k]) * i.s); }},
        {"((v * s1) * s2) * s3", [](const Inputs& i) -> Vector3 { return ((i.v * i.s1) * i.s2) * i.s3; },
         [](const Inputs& i, int k) { return ((i.v[k] * i.s1) * i.s2) * i.s3; },
         [](const Inputs& i, int k) { return float(((double(i.v[k]) * i.s1) * i.s2) * i.s3); }},
        {"a + (((v * s1) * s2) * s3) * s4",
         [](const Inputs& i) -> Vector3 { return i.a + (((i.v * i.s1) * i.s2) * i.s3) * i.s4; },
         [](const Inputs& i, int k) { return i.a[k] + (((i.v[k] * i.s1) * i.s2) * i.s3) * i.s4; },
         [](const Inputs& i, int k) { return float(i.a[k] + (((double(i.v[k]) * i.s1) * i.s2) * i.s3) * i.s4); }},
        {"a + v / s", [](const Inputs& i) -> Vector3 { return i.a + i.v / i.s; },
         [](const Inputs& i, int k) { return i.a[k] + i.v[k] / i.s; },
         [](const Inputs& i, int k) { return float(i.a[k] + double(i.v[k]) / i.s); }},
        {"(a + b) * s", [](const Inputs& i) -> Vector3 { return (i.a + i.b) * i.s; },
         [](const Inputs& i, int k) { return (i.a[k] + i.b[k]) * i.s; },
         [](const Inputs& i, int k) { return float((double(i.a[k]) + i.b[k]) * i.s); }},
        {"(a + u * s) + v * t", [](const Inputs& i) -> Vector3 { return (i.a + i.u * i.s) + i.v * i.t; },
         [](const Inputs& i, int k) { return (i.a[k] + i.u[k] * i.s) + i.v[k] * i.t; },
         [](const Inputs& i, int k) { return float((i.a[k] + double(i.u[k]) * i.s) + double(i.v[k]) * i.t); }},
        {"(a - b) + v * s", [](const Inputs& i) -> Vector3 { return (i.a - i.b) + i.v * i.s; },
         [](const Inputs& i, int k) { return (i.a[k] - i.b[k]) + i.v[k] * i.s; },
         [](const Inputs& i, int k) { return float((double(i.a[k]) - i.b[k]) + double(i.v[k]) * i.s); }},
        {"(a - b) - v * s", [](const Inputs& i) -> Vector3 { return (i.a - i.b) - i.v * i.s; },
         [](const Inputs& i, int k) { return (i.a[k] - i.b[k]) - i.v[k] * i.s; },
         [](const Inputs& i, int k) { return float((double(i.a[k]) - i.b[k]) - double(i.v[k]) * i.s); }},
        {"(a - b) * s + c", [](const Inputs& i) -> Vector3 { return (i.a - i.b) * i.s + i.c; },
         [](const Inputs& i, int k) { return (i.a[k] - i.b[k]) * i.s + i.c[k]; },
         [](const Inputs& i, int k) { return float((double(i.a[k]) - i.b[k]) * i.s + i.c[k]); }},
        {"((c + a) - b) + d", [](const Inputs& i) -> Vector3 { return ((i.c + i.a) - i.b) + i.d; },
         [](const Inputs& i, int k) { return ((i.c[k] + i.a[k]) - i.b[k]) + i.d[k]; },
         [](const Inputs& i, int k) { return float(((double(i.c[k]) + i.a[k]) - i.b[k]) + i.d[k]); }},
        {"((c - a) + b) - d", [](const Inputs& i) -> Vector3 { return ((i.c - i.a) + i.b) - i.d; },
         [](const Inputs& i, int k) { return ((i.c[k] - i.a[k]) + i.b[k]) - i.d[k]; },
         [](const Inputs& i, int k) { return float(((double(i.c[k]) - i.a[k]) + i.b[k]) - i.d[k]); }},
    };

    unsigned state = 2024;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return float(int(state >> 9) - (1 << 22)) / float(1 << 20) + 0.001f;  // about -4 to 4
    };
    const auto vec = [&] { return Vector3{next(), next(), next()}; };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        int differsFromOnce = 0;
        for (int n = 0; n < 200; ++n) {
            const Inputs in{vec(), vec(), vec(), vec(), vec(), vec(), next(), next(), next(), next(), next(), next()};
            const Vector3 r = shape.templates(in);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(r[k], shape.perNode(in, k)) << "component " << k;
                if (r[k] != shape.once(in, k)) ++differsFromOnce;
            }
        }
        EXPECT_GT(differsFromOnce, 0) << "the inputs must tell the two rules apart";
    }
}

}  // namespace
