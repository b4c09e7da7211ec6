#pragma once
// The node tests of the sphere and plane walks, answered from exact (double
// precision) geometry wherever the answer is clear by more than the tests' own
// rounding, and left to the tests themselves only when it is not
// (RoundingBounds.md, "The node tests of the sphere and plane walks"). Each
// answer is the test's answer: the walks visit exactly the nodes the full walks
// visit. The same holds for their triangles: one that certainly adds no contact
// is skipped.
#include "sim/maths/BoundingBox.h"
#include "sim/maths/Matrix3.h"
#include "sim/maths/Matrix4.h"
#include "sim/maths/Plane.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

enum class Answer { NO, YES, UNCLEAR };

// OrientedBox{transformAffine(meshTransform(rotation, position), centre of
// bounds), columns of rotation, bounds.halfExtents()}.intersectsSphere(sphere),
// the sphere walk's node test, without forming the box: the sphere's centre is
// carried into body space once.
class QuickBoxSphereTest {
public:
    QuickBoxSphereTest(const Matrix3& rotation, const Vector3& position, const Sphere& sphere);
    Answer intersectsNode(const BoundingBox& bounds) const;

    // Whether a triangle within the body-space sphere certainly adds no contact in
    // collideTriangleSphere: its world vertices (rounded) lie farther from the
    // sphere's centre than the radius by more than the test's rounding.
    bool triangleClear(const Sphere& bodySphere) const;

private:
    DoubleVector3 mRotation[3];  // rows of R
    DoubleVector3 mTranslation;
    double mStretch;  // bound on R's largest singular value
    DoubleVector3 mInverse[3];
    double mInverseSize;  // largest absolute element of the inverse
    DoubleVector3 mSphereCentre;
    double mRadius;
    DoubleVector3 mBodyCentre;  // the sphere's centre in body space: inverse (centre - position)
    double mBodyCentreError;    // bound on its error
    double mColumnSum;          // greatest absolute column sum of R
    double mTranslationSum;
    bool mValid;
};

// Whether some corner of a node's bounds, carried to world space with the walk's
// transform, lies strictly behind the plane (or gives NaN), as the plane walk
// computes it.
class QuickCornersPlaneTest {
public:
    QuickCornersPlaneTest(const Matrix4& transform, const Plane& plane);
    Answer anyCornerBehind(const BoundingBox& bounds) const;

    // Whether a triangle within the body-space sphere certainly adds no contact in
    // collideTrianglePlane: no vertex of it can come out strictly behind the plane.
    bool triangleClear(const Sphere& bodySphere) const;

private:
    DoubleVector3 mAlong;  // R^T n: a corner's signed distance is along . corner + mOffset
    double mAlongLength;
    double mOffset;
    double mNormal;     // |n|
    double mDn;         // |d| |n|
    double mFrobenius;  // of R, bounding |R corner| / |corner|
    double mTranslation;
    bool mValid;
};

}  // namespace rigidbody
}  // namespace physics
