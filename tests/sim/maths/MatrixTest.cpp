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
