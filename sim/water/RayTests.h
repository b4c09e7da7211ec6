#pragma once
// Where a ray enters and leaves a sphere, a box or a triangle mesh. The tests that
// report points take a count, which the caller sets to 0, and write the points in
// the ray's frame; a miss leaves the count at 0.
#include "sim/maths/BoundingBox.h"
#include "sim/maths/Ray.h"
#include "sim/maths/Sphere.h"
#include "sim/maths/Vector3.h"
#include "sim/rigidbody/MeshTree.h"
#include "sim/rigidbody/RigidBody.h"

namespace physics {

// Entry and exit (count 2), the exit alone when the origin is inside or on the
// sphere, or the touching point of a grazing ray (count 1).
bool raySphere(const Sphere& sphere, unsigned& count, Vector3 points[2], const Ray& ray);

// One Liang-Barsky step against the half-space denominator * t >= numerator (in
// the ray parameter t): false when the ray cannot cross it within [tEnter, tExit],
// otherwise narrows tEnter (denominator > 0) or tExit (denominator < 0).
bool clipSlab(float& tExit, float& tEnter, float denominator, float numerator);

// The box's position, rotation (columns are its axes) and half extents. Writes the
// count itself: 2 points (the origin first when it lies inside), or 1 where the ray
// just touches an edge or corner. Returns whether the count is non-zero.
bool rayOrientedBox(const Ray& ray, const rigidbody::BoxBody& box, unsigned& count, Vector3 points[2]);

// Axis-aligned box: entry and exit (count 2), or the exit alone when the origin
// is inside or on the box (count 1).
bool rayBox(const BoundingBox& box, const Ray& ray, unsigned& count, Vector3 points[2]);

// Appends, while count < maximum, every triangle hit at t >= 0 under the node, in
// walk order (left subtree first, triangle order within a leaf). Hits are neither
// sorted nor merged. True when some triangle is hit, also once the hits are full.
bool rayMeshTree(const Ray& ray, const rigidbody::MeshTreeNode& node, const float* vertices, Vector3* hits,
                 unsigned& count, unsigned maximum);

// Two-sided, inclusive of edges and vertices; t may be negative (behind the origin).
bool rayTriangle(const Ray& ray, const Vector3& c0, const Vector3& c1, const Vector3& c2, float& t, Vector3& point);

}  // namespace physics
