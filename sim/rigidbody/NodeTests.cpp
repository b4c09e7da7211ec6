#include "sim/rigidbody/NodeTests.h"

#include <algorithm>
#include <cmath>

namespace physics {
namespace rigidbody {

namespace {

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float

}  // namespace

QuickBoxSphereTest::QuickBoxSphereTest(const Matrix3& rotation, const Vector3& position, const Sphere& sphere)
{
    const DoubleVector3* r = mRotation;
    mTranslation = toDouble(position);
    bool ok = isFinite(mTranslation);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            mRotation[i][j] = rotation[i][j];
            ok = ok && std::isfinite(r[i][j]);
        }
    // Largest singular value at most the square root of R^T R's greatest absolute
    // row sum.
    double rowMax = 0;
    for (int j = 0; j < 3; ++j) {
        double row = 0;
        for (int k = 0; k < 3; ++k) row += std::fabs(r[0][j] * r[0][k] + r[1][j] * r[1][k] + r[2][j] * r[2][k]);
        rowMax = std::max(rowMax, row);
    }
    mStretch = std::sqrt(rowMax) * (1 + 1e-12);
    const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                       r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                       r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    mInverseSize = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor of element (j, i), over the determinant.
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3, i1 = (i + 1) % 3, i2 = (i + 2) % 3;
            mInverse[i][j] = (r[j1][i1] * r[j2][i2] - r[j1][i2] * r[j2][i1]) / det;
            mInverseSize = std::max(mInverseSize, std::fabs(mInverse[i][j]));
        }
    mSphereCentre = toDouble(sphere.centre);
    mRadius = sphere.radius;
    mColumnSum = 0;
    for (int j = 0; j < 3; ++j)
        mColumnSum = std::max(mColumnSum, std::fabs(r[0][j]) + std::fabs(r[1][j]) + std::fabs(r[2][j]));
    mTranslationSum = absoluteSum(mTranslation);
    const DoubleVector3 d = mSphereCentre - mTranslation;
    mBodyCentre = DoubleVector3{dot(mInverse[0], d), dot(mInverse[1], d), dot(mInverse[2], d)};
    // The double inverse and products are off by a few 1e-16 relative.
    mBodyCentreError = 1e-13 * (1 + mInverseSize) * (absoluteSum(mSphereCentre) + mTranslationSum);
    // The float inverse's own threshold (1e-8) and a badly conditioned matrix are
    // left to the test.
    mValid = ok && std::fabs(det) > 1e-4 && mInverseSize < 1e4 && isFinite(mSphereCentre) && mRadius >= 0 &&
             std::isfinite(mRadius);
}

Answer QuickBoxSphereTest::intersectsNode(const BoundingBox& bounds) const
{
    if (!mValid) return Answer::UNCLEAR;
    // The walk's own floats for the node's centre and half extents.
    const Vector3 centre((bounds.max - bounds.min) * 0.5f + bounds.min);
    const Vector3 half = bounds.halfExtents();
    if (!(half.x >= 0 && half.y >= 0 && half.z >= 0)) return Answer::UNCLEAR;
    const DoubleVector3 h = toDouble(half);
    const DoubleVector3 l = mBodyCentre - toDouble(centre);
    const DoubleVector3 beyond{std::max(0.0, std::fabs(l.x) - h.x), std::max(0.0, std::fabs(l.y) - h.y),
                               std::max(0.0, std::fabs(l.z) - h.z)};
    const double outside2 = dot(beyond, beyond);
    // The node's world centre, as transformAffine rounds it, is within 8 u of the
    // sum of its terms per component: wb bounds those sums together. Carried back
    // by the inverse it moves the body-space offset by up to delta per component.
    const double wb = mColumnSum * absoluteSum(toDouble(centre)) + mTranslationSum;
    const double delta = mInverseSize * 8 * U * wb * (1 + 1e-6);
    // The margin of the box test for the world centre and offset these stand for,
    // and the offset's own error (at most sqrt(3) delta in length, and the
    // centre's).
    const double margin = 64 * U * (1 + mInverseSize) * (absoluteSum(mSphereCentre) + wb * (1 + 8 * U)) +
                          8 * U * (mRadius + absoluteSum(l) + 3 * delta + absoluteSum(h)) + 1.7321 * delta +
                          1.7321 * mBodyCentreError + 1e-30;
    // Written so that NaN answers UNCLEAR.
    const double outer = mRadius + margin, inner = mRadius - margin;
    if (outside2 > outer * outer) return Answer::NO;
    if (inner > 0 && outside2 < inner * inner) return Answer::YES;
    return Answer::UNCLEAR;
}

bool QuickBoxSphereTest::triangleClear(const Sphere& bodySphere) const
{
    if (!mValid) return false;
    const DoubleVector3 c = toDouble(bodySphere.centre);
    const DoubleVector3 world{dot(mRotation[0], c) + mTranslation.x, dot(mRotation[1], c) + mTranslation.y,
                              dot(mRotation[2], c) + mTranslation.z};
    // The computed vertices lie within spread of world: the exact images within
    // stretch r, their float rounding within u of their size.
    const double spread = (mStretch * bodySphere.radius) * (1 + 2 * U) + 1.01 * U * norm(world) + 1e-30;
    const double centres = norm(mSphereCentre - world);
    const double gap = centres - spread;
    // The test's squared distance is at least (gap - 4 u D)^2 - 32 u D^2 with D
    // bounding its difference vectors and edges.
    const double D = centres + 5 * spread;
    const double least = gap - 4 * U * D;
    // Written so that NaN keeps the triangle.
    return gap > 0 && least > 0 && least * least - 64 * U * D * D > mRadius * mRadius * (1 + 4 * U);
}

QuickCornersPlaneTest::QuickCornersPlaneTest(const Matrix4& transform, const Plane& plane)
{
    const DoubleVector3 n = toDouble(plane.normal);
    const DoubleVector3 t{transform.m[0][3], transform.m[1][3], transform.m[2][3]};
    double frobenius2 = 0;
    bool ok = std::isfinite(plane.d) && isFinite(n);
    for (int j = 0; j < 3; ++j) {
        mAlong[j] = 0;
        for (int i = 0; i < 3; ++i) {
            const double r = transform.m[i][j];
            ok = ok && std::isfinite(r) && std::isfinite(t[i]);
            mAlong[j] += r * n[i];
            frobenius2 += r * r;
        }
    }
    mNormal = norm(n);
    mAlongLength = norm(mAlong);
    mOffset = dot(n, t) + double(plane.d) * mNormal * mNormal;
    mDn = std::fabs(double(plane.d)) * mNormal;
    mFrobenius = std::sqrt(frobenius2);
    mTranslation = norm(t);
    mValid = ok;
}

Answer QuickCornersPlaneTest::anyCornerBehind(const BoundingBox& bounds) const
{
    if (!mValid) return Answer::UNCLEAR;
    // The signed distance of corner x is along . x + offset (exact geometry, with
    // q = -d n as the plane's point and the corner at R x + t).
    double least = mOffset, terms = std::fabs(mOffset), corner = 0;
    auto axis = [&](double along, double lo, double hi) {
        least += std::min(along * lo, along * hi);
        terms += std::fabs(along) * std::max(std::fabs(lo), std::fabs(hi));
        corner += std::max(std::fabs(lo), std::fabs(hi));  // a bound on |corner|
    };
    axis(mAlong.x, bounds.min.x, bounds.max.x);
    axis(mAlong.y, bounds.min.y, bounds.max.y);
    axis(mAlong.z, bounds.min.z, bounds.max.z);
    const double world = mTranslation + mFrobenius * corner;
    const double margin = mNormal * 6.03 * U * world + 5.02 * U * mNormal * mDn + 1e-12 * terms + 1e-30;
    // Written so that NaN answers UNCLEAR.
    if (least - margin > 0) return Answer::NO;
    if (least + margin < 0) return Answer::YES;
    return Answer::UNCLEAR;
}

bool QuickCornersPlaneTest::triangleClear(const Sphere& bodySphere) const
{
    if (!mValid) return false;
    const DoubleVector3 c = toDouble(bodySphere.centre);
    const double r = bodySphere.radius;
    // Over the body-space sphere the signed distance along . x + offset varies by
    // |along| r about its centre's value.
    const double least = dot(mAlong, c) + mOffset - mAlongLength * r;
    const double size = absoluteSum(c) + r;  // a bound on |x|
    const double terms = std::fabs(mOffset) + mAlongLength * size;
    const double world = mTranslation + mFrobenius * size;
    const double margin = mNormal * 6.03 * U * world + 5.02 * U * mNormal * mDn + 1e-12 * terms + 1e-30;
    return least - margin > 0;
}

}  // namespace rigidbody
}  // namespace physics
