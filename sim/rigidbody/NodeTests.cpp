#include "sim/rigidbody/NodeTests.h"

#include <algorithm>
#include <cmath>

namespace physics {
namespace rigidbody {

namespace {

constexpr double U = 1.0 / (1 << 24);  // unit roundoff of float

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

double sum(const double v[3]) { return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]); }

}  // namespace

QuickBoxSphereTest::QuickBoxSphereTest(const Matrix3& rotation, const Vector3& position, const Sphere& sphere)
{
    double (&r)[3][3] = rotation_;
    bool ok = finite(position);
    for (int i = 0; i < 3; ++i) {
        translation_[i] = position[i];
        for (int j = 0; j < 3; ++j) {
            r[i][j] = rotation[i][j];
            ok = ok && std::isfinite(r[i][j]);
        }
    }
    // Largest singular value at most the square root of R^T R's greatest absolute
    // row sum.
    double rowMax = 0;
    for (int j = 0; j < 3; ++j) {
        double row = 0;
        for (int k = 0; k < 3; ++k) row += std::fabs(r[0][j] * r[0][k] + r[1][j] * r[1][k] + r[2][j] * r[2][k]);
        rowMax = std::max(rowMax, row);
    }
    stretch_ = std::sqrt(rowMax) * (1 + 1e-12);
    const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                       r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                       r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    inverseSize_ = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            // Cofactor of element (j, i), over the determinant.
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3, i1 = (i + 1) % 3, i2 = (i + 2) % 3;
            inverse_[i][j] = (r[j1][i1] * r[j2][i2] - r[j1][i2] * r[j2][i1]) / det;
            inverseSize_ = std::max(inverseSize_, std::fabs(inverse_[i][j]));
        }
    sphereCentre_[0] = sphere.centre.x;
    sphereCentre_[1] = sphere.centre.y;
    sphereCentre_[2] = sphere.centre.z;
    radius_ = sphere.radius;
    columnSum_ = 0;
    for (int j = 0; j < 3; ++j)
        columnSum_ = std::max(columnSum_, std::fabs(r[0][j]) + std::fabs(r[1][j]) + std::fabs(r[2][j]));
    translationSum_ = sum(translation_);
    for (int i = 0; i < 3; ++i)
        bodyCentre_[i] = inverse_[i][0] * (sphereCentre_[0] - translation_[0]) +
                         inverse_[i][1] * (sphereCentre_[1] - translation_[1]) +
                         inverse_[i][2] * (sphereCentre_[2] - translation_[2]);
    // The double inverse and products are off by a few 1e-16 relative.
    bodyCentreError_ = 1e-13 * (1 + inverseSize_) * (sum(sphereCentre_) + translationSum_);
    // The float inverse's own threshold (1e-8) and a badly conditioned matrix are
    // left to the test.
    valid_ = ok && std::fabs(det) > 1e-4 && inverseSize_ < 1e4 && finite(sphere.centre) && radius_ >= 0 &&
             std::isfinite(radius_);
}

Answer QuickBoxSphereTest::intersects(const Vector3& centre, const Vector3& halfExtents) const
{
    if (!valid_ || !(halfExtents.x >= 0 && halfExtents.y >= 0 && halfExtents.z >= 0)) return Answer::UNCLEAR;
    const double c[3] = {centre.x, centre.y, centre.z};
    const double h[3] = {halfExtents.x, halfExtents.y, halfExtents.z};
    const double d[3] = {sphereCentre_[0] - c[0], sphereCentre_[1] - c[1], sphereCentre_[2] - c[2]};
    double l[3], outside2 = 0;
    for (int i = 0; i < 3; ++i) {
        l[i] = inverse_[i][0] * d[0] + inverse_[i][1] * d[1] + inverse_[i][2] * d[2];
        const double beyond = std::max(0.0, std::fabs(l[i]) - h[i]);
        outside2 += beyond * beyond;
    }
    const double distance = std::sqrt(outside2);
    const double margin = 64 * U * (1 + inverseSize_) * (sum(sphereCentre_) + sum(c)) +
                          8 * U * (radius_ + sum(l) + sum(h)) + 1e-30;
    // Written so that NaN answers UNCLEAR.
    if (distance > radius_ + margin) return Answer::NO;
    if (distance < radius_ - margin) return Answer::YES;
    return Answer::UNCLEAR;
}

Answer QuickBoxSphereTest::intersectsNode(const BoundingBox& bounds) const
{
    if (!valid_) return Answer::UNCLEAR;
    // The walk's own floats for the node's centre and half extents.
    const Vector3 centre((bounds.max - bounds.min) * 0.5f + bounds.min);
    const Vector3 half = bounds.halfExtents();
    if (!(half.x >= 0 && half.y >= 0 && half.z >= 0)) return Answer::UNCLEAR;
    double l[3], outside2 = 0, lSum = 0, centreSum = 0;
    for (int i = 0; i < 3; ++i) {
        l[i] = bodyCentre_[i] - centre[i];
        const double beyond = std::max(0.0, std::fabs(l[i]) - half[i]);
        outside2 += beyond * beyond;
        lSum += std::fabs(l[i]);
        centreSum += std::fabs(double(centre[i]));
    }
    // The node's world centre, as transformAffine rounds it, is within 8 u of the
    // sum of its terms per component: wb bounds those sums together. Carried back
    // by the inverse it moves the body-space offset by up to delta per component.
    const double wb = columnSum_ * centreSum + translationSum_;
    const double delta = inverseSize_ * 8 * U * wb * (1 + 1e-6);
    const double h[3] = {half.x, half.y, half.z};
    // intersects()'s margin for the world centre and offset these stand for, and
    // the offset's own error (at most sqrt(3) delta in length, and the centre's).
    const double margin = 64 * U * (1 + inverseSize_) * (sum(sphereCentre_) + wb * (1 + 8 * U)) +
                          8 * U * (radius_ + lSum + 3 * delta + sum(h)) + 1.7321 * delta + 1.7321 * bodyCentreError_ +
                          1e-30;
    // Written so that NaN answers UNCLEAR.
    const double outer = radius_ + margin, inner = radius_ - margin;
    if (outside2 > outer * outer) return Answer::NO;
    if (inner > 0 && outside2 < inner * inner) return Answer::YES;
    return Answer::UNCLEAR;
}

bool QuickBoxSphereTest::triangleClear(const Sphere& bodySphere) const
{
    if (!valid_) return false;
    const double c[3] = {bodySphere.centre.x, bodySphere.centre.y, bodySphere.centre.z};
    double world[3], apart[3];
    for (int i = 0; i < 3; ++i) {
        world[i] = rotation_[i][0] * c[0] + rotation_[i][1] * c[1] + rotation_[i][2] * c[2] + translation_[i];
        apart[i] = sphereCentre_[i] - world[i];
    }
    // The computed vertices lie within spread of world: the exact images within
    // stretch r, their float rounding within u of their size.
    const double size = std::sqrt(world[0] * world[0] + world[1] * world[1] + world[2] * world[2]);
    const double spread = (stretch_ * bodySphere.radius) * (1 + 2 * U) + 1.01 * U * size + 1e-30;
    const double centres = std::sqrt(apart[0] * apart[0] + apart[1] * apart[1] + apart[2] * apart[2]);
    const double gap = centres - spread;
    // The test's squared distance is at least (gap - 4 u D)^2 - 32 u D^2 with D
    // bounding its difference vectors and edges.
    const double D = centres + 5 * spread;
    const double least = gap - 4 * U * D;
    // Written so that NaN keeps the triangle.
    return gap > 0 && least > 0 && least * least - 64 * U * D * D > radius_ * radius_ * (1 + 4 * U);
}

QuickCornersPlaneTest::QuickCornersPlaneTest(const Matrix4& transform, const Plane& plane)
{
    const double n[3] = {plane.normal.x, plane.normal.y, plane.normal.z};
    const double t[3] = {transform.m[0][3], transform.m[1][3], transform.m[2][3]};
    double frobenius2 = 0;
    bool ok = std::isfinite(plane.d) && finite(plane.normal);
    for (int j = 0; j < 3; ++j) {
        along_[j] = 0;
        for (int i = 0; i < 3; ++i) {
            const double r = transform.m[i][j];
            ok = ok && std::isfinite(r) && std::isfinite(t[i]);
            along_[j] += r * n[i];
            frobenius2 += r * r;
        }
    }
    normal_ = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    alongLength_ = std::sqrt(along_[0] * along_[0] + along_[1] * along_[1] + along_[2] * along_[2]);
    offset_ = n[0] * t[0] + n[1] * t[1] + n[2] * t[2] + double(plane.d) * normal_ * normal_;
    dn_ = std::fabs(double(plane.d)) * normal_;
    frobenius_ = std::sqrt(frobenius2);
    translation_ = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    valid_ = ok;
}

Answer QuickCornersPlaneTest::anyCornerBehind(const BoundingBox& bounds) const
{
    if (!valid_) return Answer::UNCLEAR;
    const double lo[3] = {bounds.min.x, bounds.min.y, bounds.min.z};
    const double hi[3] = {bounds.max.x, bounds.max.y, bounds.max.z};
    // The signed distance of corner x is along . x + offset (exact geometry, with
    // q = -d n as the plane's point and the corner at R x + t).
    double least = offset_, terms = std::fabs(offset_), corner = 0;
    for (int i = 0; i < 3; ++i) {
        least += std::min(along_[i] * lo[i], along_[i] * hi[i]);
        terms += std::fabs(along_[i]) * std::max(std::fabs(lo[i]), std::fabs(hi[i]));
        corner += std::max(std::fabs(lo[i]), std::fabs(hi[i]));  // a bound on |corner|
    }
    const double world = translation_ + frobenius_ * corner;
    const double margin = normal_ * 6.03 * U * world + 5.02 * U * normal_ * dn_ + 1e-12 * terms + 1e-30;
    // Written so that NaN answers UNCLEAR.
    if (least - margin > 0) return Answer::NO;
    if (least + margin < 0) return Answer::YES;
    return Answer::UNCLEAR;
}

bool QuickCornersPlaneTest::triangleClear(const Sphere& bodySphere) const
{
    if (!valid_) return false;
    const double c[3] = {bodySphere.centre.x, bodySphere.centre.y, bodySphere.centre.z};
    const double r = bodySphere.radius;
    // Over the body-space sphere the signed distance along . x + offset varies by
    // |along| r about its centre's value.
    const double least = along_[0] * c[0] + along_[1] * c[1] + along_[2] * c[2] + offset_ - alongLength_ * r;
    const double size = sum(c) + r;  // a bound on |x|
    const double terms = std::fabs(offset_) + alongLength_ * size;
    const double world = translation_ + frobenius_ * size;
    const double margin = normal_ * 6.03 * U * world + 5.02 * U * normal_ * dn_ + 1e-12 * terms + 1e-30;
    return least - margin > 0;
}

}  // namespace rigidbody
}  // namespace physics
