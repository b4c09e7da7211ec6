#include <gtest/gtest.h>

#include <cmath>

#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"

using physics::Matrix3;
using physics::Matrix4;
using physics::Vector3;

namespace {

void expectMatrixEq(const Matrix3& a, const Matrix3& b)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(a[r][c], b[r][c]) << "[" << r << "][" << c << "]";
}

Matrix3 scale3(float s) { return Matrix3{{{s, 0, 0}, {0, s, 0}, {0, 0, s}}}; }

Matrix4 scale4(float s)
{
    Matrix4 m = Matrix4::makeTranslation(Vector3::zero());
    m[0][0] = m[1][1] = m[2][2] = s;
    return m;
}

TEST(Matrix3, InverseOfSingularMatrixIsIdentity)
{
    expectMatrixEq(Matrix3::inverse(Matrix3::zero()), Matrix3::identity());
    const Matrix3 rankTwo{{{1, 2, 3}, {2, 4, 6}, {0, 1, 5}}};
    expectMatrixEq(Matrix3::inverse(rankTwo), Matrix3::identity());
}

TEST(Matrix3, TinyDeterminantIsInvertedNormally)
{
    const Matrix3 inv = Matrix3::inverse(scale3(1e-10f));  // determinant 1e-30
    EXPECT_FLOAT_EQ(inv[0][0], 1e10f);
    EXPECT_FLOAT_EQ(inv[2][2], 1e10f);
    EXPECT_EQ(inv[0][1], 0.0f);
}

TEST(Matrix3, InverseOfRotationIsItsTranspose)
{
    Matrix3 r = Matrix3::makeRotationX(0.3f);
    const Matrix3 yaw{{{std::cos(0.8f), 0, std::sin(0.8f)}, {0, 1, 0}, {-std::sin(0.8f), 0, std::cos(0.8f)}}};
    r *= yaw;
    const Matrix3 inv = Matrix3::inverse(r), t = Matrix3::transpose(r);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(inv[i][j], t[i][j], 1e-6f);
}

TEST(Matrix3, TransposeSwapsEveryOffDiagonalPair)
{
    const Matrix3 m{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
    expectMatrixEq(Matrix3::transpose(m), Matrix3{{{1, 4, 7}, {2, 5, 8}, {3, 6, 9}}});
}

TEST(Matrix3, ProductsRoundEachElementOnce)
{
    const Matrix3 a{{{1.1f, 2.2f, 3.3f}, {0.1f, 0.2f, 0.3f}, {5, 6, 7}}};
    const Matrix3 b{{{0.7f, 0.3f, 1.9f}, {2.5f, 0.01f, 3}, {1, 1, 1}}};
    Matrix3 p = a;
    p *= b;
    EXPECT_EQ(p[0][1], float(double(a[0][0]) * b[0][1] + double(a[0][1]) * b[1][1] + double(a[0][2]) * b[2][1]));
    const Vector3 v{0.3f, -1.7f, 2.9f};
    const Vector3 mv = a * v;
    EXPECT_EQ(mv.y, float(double(a[1][0]) * v.x + double(a[1][1]) * v.y + double(a[1][2]) * v.z));
}

TEST(Matrix3, RotationAboutX)
{
    expectMatrixEq(Matrix3::makeRotationX(0.0f), Matrix3::identity());
    const Vector3 r = Matrix3::makeRotationX(float(M_PI / 2)) * Vector3{0, 1, 0};
    EXPECT_NEAR(r.x, 0.0f, 1e-7f);
    EXPECT_NEAR(r.y, 0.0f, 1e-7f);
    EXPECT_NEAR(r.z, 1.0f, 1e-7f);
}

TEST(Matrix4, InverseThresholdIsOneEMinusEight)
{
    const Matrix4 inv = Matrix4::inverse(scale4(0.01f));  // determinant 1e-6: inverted
    EXPECT_FLOAT_EQ(inv[0][0], 100.0f);
    EXPECT_FLOAT_EQ(inv[2][2], 100.0f);
    EXPECT_FLOAT_EQ(inv[3][3], 1.0f);

    const Matrix4 none = Matrix4::inverse(scale4(0.001f));  // determinant 1e-9: zero matrix
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(none[r][c], 0.0f);
}

TEST(Matrix4, RigidTransformRoundTrip)
{
    const Matrix4 m = Matrix4::makeTranslation(Vector3{1, -2, 3}) * Matrix4::fromRotation(Matrix3::makeRotationX(0.6f));
    EXPECT_EQ(m[0][3], 1.0f);
    EXPECT_EQ(m[1][3], -2.0f);
    EXPECT_EQ(m[3][3], 1.0f);
    const Vector3 p{0.5f, 4.0f, -1.5f};
    const Vector3 back = Matrix4::transformAffine(Matrix4::inverse(m), Matrix4::transformAffine(m, p));
    EXPECT_NEAR(back.x, p.x, 1e-5f);
    EXPECT_NEAR(back.y, p.y, 1e-5f);
    EXPECT_NEAR(back.z, p.z, 1e-5f);
}

TEST(Matrix4, TransformAffineAddsTranslationAndIgnoresLastRow)
{
    Matrix4 t = Matrix4::makeTranslation(Vector3{1.5f, -2.0f, 0.25f});
    t[3][0] = 7.0f;
    t[3][3] = 9.0f;
    const Vector3 r = Matrix4::transformAffine(t, Vector3{1, 1, 1});
    EXPECT_EQ(r.x, 2.5f);
    EXPECT_EQ(r.y, -1.0f);
    EXPECT_EQ(r.z, 1.25f);
}

TEST(SharedConstants, SameObjectEveryCall)
{
    EXPECT_EQ(&Matrix3::zero(), &Matrix3::zero());
    EXPECT_EQ(&Matrix3::identity(), &Matrix3::identity());
    EXPECT_EQ(&Matrix4::zero(), &Matrix4::zero());
    EXPECT_EQ(Matrix3::identity()[1][1], 1.0f);
    EXPECT_EQ(Matrix3::identity()[1][0], 0.0f);
}

}  // namespace

namespace {

// Deterministic values in [-2, 2).
struct Values {
    unsigned state = 12345;
    float next()
    {
        state = state * 1103515245u + 12345u;
        return float((state >> 8) & 0xFFFF) / 16384.0f - 2.0f + 1.0f / 1024.0f;
    }
};

TEST(Matrix3, InverseRoundsTheReciprocalOfTheDeterminant)
{
    Values v;
    int differsFromUnrounded = 0;
    for (int n = 0; n < 50; ++n) {
        Matrix3 a;
        for (int i = 0; i < 9; ++i) a.m[i / 3][i % 3] = v.next();
        const double m00 = a[0][0], m01 = a[0][1], m02 = a[0][2], m10 = a[1][0], m11 = a[1][1], m12 = a[1][2],
                     m20 = a[2][0], m21 = a[2][1], m22 = a[2][2];
        const float det = float(m00 * m11 * m22 + m01 * m12 * m20 + m02 * m10 * m21 - m02 * m11 * m20 -
                                m00 * m12 * m21 - m01 * m10 * m22);
        const double inv = float(1.0 / det);
        const float expected = float(-(m01 * m22 - m02 * m21) * inv);
        const Matrix3 r = Matrix3::inverse(a);
        EXPECT_EQ(r[0][1], expected);
        if (r[0][1] != float(-(m01 * m22 - m02 * m21) * (1.0 / det))) ++differsFromUnrounded;
    }
    EXPECT_GT(differsFromUnrounded, 0) << "the cases must tell the two rules apart";
}

TEST(Matrix4, InverseRoundsEachAdjugateElementBeforeScaling)
{
    Values v;
    int differsFromUnrounded = 0;
    for (int n = 0; n < 50; ++n) {
        Matrix4 a;
        for (int i = 0; i < 16; ++i) a.m[i / 4][i % 4] = v.next();
        const auto m = [&](int r, int c) { return double(a[r][c]); };
        const double s3 = float(m(0, 1) * m(1, 2) - m(1, 1) * m(0, 2));
        const double s4 = float(m(0, 1) * m(1, 3) - m(1, 1) * m(0, 3));
        const double s5 = float(m(0, 2) * m(1, 3) - m(1, 2) * m(0, 3));
        const double s0 = float(m(0, 0) * m(1, 1) - m(1, 0) * m(0, 1));
        const double s1 = float(m(0, 0) * m(1, 2) - m(1, 0) * m(0, 2));
        const double s2 = float(m(0, 0) * m(1, 3) - m(1, 0) * m(0, 3));
        const double c0 = float(m(2, 0) * m(3, 1) - m(3, 0) * m(2, 1));
        const double c1 = float(m(2, 0) * m(3, 2) - m(3, 0) * m(2, 2));
        const double c2 = float(m(2, 0) * m(3, 3) - m(3, 0) * m(2, 3));
        const double c3 = float(m(2, 1) * m(3, 2) - m(3, 1) * m(2, 2));
        const double c4 = float(m(2, 1) * m(3, 3) - m(3, 1) * m(2, 3));
        const double c5 = float(m(2, 2) * m(3, 3) - m(3, 2) * m(2, 3));
        const float det = float(s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0);
        const double inv = float(1.0 / det);
        const double adj00 = m(1, 1) * c5 - m(1, 2) * c4 + m(1, 3) * c3;
        const double adj02 = m(3, 1) * s5 - m(3, 2) * s4 + m(3, 3) * s3;
        const double adj33 = m(2, 0) * s3 - m(2, 1) * s1 + m(2, 2) * s0;
        const Matrix4 r = Matrix4::inverse(a);
        EXPECT_EQ(r[0][0], float(double(float(adj00)) * inv));
        EXPECT_EQ(r[0][2], float(double(float(adj02)) * inv));
        EXPECT_EQ(r[3][3], float(double(float(adj33)) * inv));
        for (double adj : {adj00, adj02, adj33})
            if (float(double(float(adj)) * inv) != float(adj * inv)) ++differsFromUnrounded;
    }
    EXPECT_GT(differsFromUnrounded, 0) << "the cases must tell the two rules apart";
}

}  // namespace

namespace {

// Which determinants each inverse treats as singular. Matrix3 gives up only on an
// exact 0, Matrix4 at |det| <= 1e-8 (as a double); a NaN determinant is inverted
// like any other, so it spreads into every element.
TEST(Matrix3, SingularOnlyAtAnExactZeroDeterminant)
{
    const float nan = std::nanf("");
    struct Case {
        const char* name;
        Matrix3 m;
        bool identity;
    };
    const Case cases[] = {
        {"zero", Matrix3::zero(), true},
        {"negative zero determinant", Matrix3{{{-0.0f, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, true},
        {"rank one", Matrix3{{{1, 2, 3}, {2, 4, 6}, {3, 6, 9}}}, true},
        {"smallest normal determinant", scale3(std::ldexp(1.0f, -42)), false},  // det 2^-126
        {"not a number", Matrix3{{{nan, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Matrix3 inv = Matrix3::inverse(c.m);
        if (c.identity) {
            expectMatrixEq(inv, Matrix3::identity());
        } else {
            EXPECT_NE(inv[0][0], 1.0f);
        }
    }
    EXPECT_TRUE(std::isnan(Matrix3::inverse(cases[4].m)[2][2]));
    EXPECT_EQ(Matrix3::inverse(cases[3].m)[1][1], std::ldexp(1.0f, 42));
}

TEST(Matrix4, SingularAtOrBelowOneEMinusEight)
{
    const float atThreshold = 1e-8f;  // the float nearest 1e-8 lies below it
    ASSERT_LT(double(atThreshold), 1e-8);
    const float above = std::nextafter(atThreshold, 1.0f);
    ASSERT_GT(double(above), 1e-8);
    struct Case {
        float det;
        bool zero;
    };
    const Case cases[] = {{0.0f, true}, {atThreshold, true}, {-atThreshold, true}, {above, false}, {-above, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.det);
        Matrix4 m = Matrix4::makeTranslation(Vector3{1, 2, 3});
        m[0][0] = c.det;  // determinant c.det exactly
        const Matrix4 inv = Matrix4::inverse(m);
        if (c.zero) {
            for (int r = 0; r < 4; ++r)
                for (int col = 0; col < 4; ++col) EXPECT_EQ(inv[r][col], 0.0f);
        } else {
            EXPECT_FLOAT_EQ(inv[0][0], 1.0f / c.det);
            EXPECT_FLOAT_EQ(inv[1][1], 1.0f);
        }
    }
    Matrix4 nan = Matrix4::makeTranslation(Vector3{1, 2, 3});
    nan[0][0] = std::nanf("");
    EXPECT_TRUE(std::isnan(Matrix4::inverse(nan)[1][1])) << "a NaN determinant is not singular";
}

// Every one of the sixteen adjugate elements, through the product with the input.
TEST(Matrix4, InverseOfAGeneralMatrix)
{
    Values v;
    for (int n = 0; n < 20; ++n) {
        Matrix4 a;
        for (int i = 0; i < 16; ++i) a.m[i / 4][i % 4] = v.next();
        for (int i = 0; i < 4; ++i) a.m[i][i] += 4.0f;  // well conditioned
        const Matrix4 inv = Matrix4::inverse(a);
        for (const Matrix4& p : {a * inv, inv * a})
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) EXPECT_NEAR(p[r][c], r == c ? 1.0f : 0.0f, 1e-5f) << r << c;
    }
}

TEST(Matrix4, ProductRoundsEachElementOnce)
{
    Values v;
    Matrix4 a, b;
    for (int i = 0; i < 16; ++i) {
        a.m[i / 4][i % 4] = v.next();
        b.m[i / 4][i % 4] = v.next();
    }
    const Matrix4 p = a * b;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(p[r][c], float(double(a[r][0]) * b[0][c] + double(a[r][1]) * b[1][c] +
                                     double(a[r][2]) * b[2][c] + double(a[r][3]) * b[3][c]));
}

}  // namespace
