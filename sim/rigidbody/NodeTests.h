#pragma once
// The node tests of the sphere and plane walks, answered from exact (double
// precision) geometry wherever the answer is clear by more than the tests' own
// rounding, and left to the tests themselves only when it is not. Each answer is
// the test's answer: the walks visit exactly the nodes they visited before. The
// same holds for their triangles: one that certainly adds no contact is skipped.
#include "sim/maths/BoundingBox.h"
#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Plane.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

enum class Answer { NO, YES, UNCLEAR };

// OrientedBox{centre, columns of rotation, halfExtents}.intersectsSphere(sphere)
// for the node boxes of one sphere walk. That test carries the sphere's centre
// into box coordinates through the float inverse of [rotation | centre], whose
// elements are off by some tens of u (relative to the matrix and the centre),
// and compares distances rounded a few times more; beyond a margin of 64 u
// times the sizes involved the exact distance from the box decides it.
class QuickBoxSphereTest {
public:
    QuickBoxSphereTest(const Matrix3& rotation, const Vector3& position, const Sphere& sphere);
    Answer intersects(const Vector3& centre, const Vector3& halfExtents) const;
    // The same for the node box of body-space bounds as the sphere walk forms it
    // (world centre transformAffine(meshTransform(rotation, position), centre of
    // bounds), half extents bounds.halfExtents()), without forming it: the sphere's
    // centre is carried into body space once, and the margin grows by what the
    // rounding of the node's world centre can move it there.
    Answer intersectsNode(const BoundingBox& bounds) const;

    // Whether a triangle within the body-space sphere certainly adds no contact in
    // collideTriangleSphere: its world vertices (rounded) lie farther from the
    // sphere's centre than the radius by more than the test's rounding, which
    // works with float differences and float dot products, a few tens of u of
    // the squared sizes.
    bool triangleClear(const Sphere& bodySphere) const;

private:
    double rotation_[3][3];
    double translation_[3];
    double stretch_;  // bound on R's largest singular value
    double inverse_[3][3];
    double inverseSize_;  // largest absolute element of the inverse
    double sphereCentre_[3];
    double radius_;
    double bodyCentre_[3];    // the sphere's centre in body space: inverse (centre - position)
    double bodyCentreError_;  // bound on its error
    double columnSum_;        // greatest absolute column sum of R
    double translationSum_;
    bool valid_;
};

// Whether some corner of a node's bounds, carried to world space with the walk's
// transform, lies strictly behind the plane (or gives NaN), as the plane walk
// computes it. The signed distance is affine, so the exact least and greatest
// over the eight corners follow from the transform's rows; the computed corners
// and distances are off by at most 6.02 u |n| |w| + 5.01 u |n| |d| |n| from them.
class QuickCornersPlaneTest {
public:
    QuickCornersPlaneTest(const Matrix4& transform, const Plane& plane);
    Answer anyCornerBehind(const BoundingBox& bounds) const;

    // Whether a triangle within the body-space sphere certainly adds no contact in
    // collideTrianglePlane: no vertex of it can come out strictly behind the plane.
    bool triangleClear(const Sphere& bodySphere) const;

private:
    double along_[3];  // R^T n: a corner's signed distance is along . corner + offset_
    double alongLength_;
    double offset_;
    double normal_;    // |n|
    double dn_;        // |d| |n|
    double frobenius_;  // of R, bounding |R corner| / |corner|
    double translation_;
    bool valid_;
};

}  // namespace rigidbody
}  // namespace physics
