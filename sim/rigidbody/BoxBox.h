#pragma once
// Pieces of the box-box separating-axis test, exposed for testing.
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {

// The best axis found so far: the one of least penetration.
struct SeparatingAxis {
    float depth;            // separation along the axis, negative = penetration
    Vector3 normal;         // world unit vector for a face axis, A-frame unit vector for an edge axis
    bool normalInBoxFrame;  // normal must still be rotated into world space
    bool invert;            // the centre offset projects negatively: reverse the normal
    int code;               // 1-6 face axes of A then B, 7-15 edge pairs, 0 = none

    void reset();
    // Both return false when the axis separates the boxes.
    bool testFaceAxis(float distance, float radius, const Vector3& normal, int code);
    bool testEdgeAxis(float distance, float radius, float ax, float ay, float az, int code);
};

// Parameters of the closest points of two lines (point, unit direction each);
// nearly parallel lines give 0 and 0.
void closestPointsOnLines(const Vector3& pa, const Vector3& ua, const Vector3& pb, const Vector3& ub,
                          float& alpha, float& beta);

// Clips a quadrilateral (4 x, y pairs) against the rectangle |x| < halfX, |y| < halfY
// and writes the polygon into out (up to 8 x, y pairs). Returns the point count.
int clipQuadToRect(float halfX, float halfY, const float quad[8], float out[16]);

}  // namespace rigidbody
}  // namespace physics
