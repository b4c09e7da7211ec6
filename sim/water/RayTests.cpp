#include "sim/water/RayTests.h"

#include <cmath>
#include <cstddef>

#include "sim/maths/Matrix3.h"

namespace physics {

namespace {

constexpr float LARGEST = 3.4028235e38f;

Vector3 pointAt(const Ray& ray, float t) { return ray.origin + ray.direction * t; }

Vector3 vertex(const float* vertices, std::uint16_t index)
{
    const float* v = vertices + 3 * std::size_t(index);
    return Vector3{v[0], v[1], v[2]};
}

}  // namespace

bool raySphere(const Sphere& sphere, unsigned& count, Vector3 points[2], const Ray& ray)
{
    const Vector3 m = ray.origin - sphere.centre;
    const float c = float(double(dotProduct(m, m)) - double(sphere.radius) * sphere.radius);
    const float b = dotProduct(m, ray.direction);

    if (c <= 0.0f) {  // origin inside or on the sphere: only the exit
        count = 1;
        const float t = float(std::sqrt(double(b) * b - c) - b);
        points[0] = pointAt(ray, t);
        return true;
    }
    if (b >= 0.0f) return false;  // sphere behind the origin or beside it

    const float disc = float(double(b) * b - c);
    if (disc < 0.0f) return false;
    if (disc >= 1e-6) {
        count = 2;
        const float s = float(std::sqrt(double(disc)));
        points[0] = pointAt(ray, float(-double(b) - s));
        points[1] = pointAt(ray, float(double(s) - b));
        return true;
    }
    count = 1;  // grazing
    points[0] = pointAt(ray, -b);
    return true;
}

bool clipSlab(float& tExit, float& tEnter, float denominator, float numerator)
{
    if (denominator > 0.0f) {
        if (numerator > double(denominator) * tExit) return false;
        if (numerator > double(denominator) * tEnter) tEnter = numerator / denominator;
        return true;
    }
    if (denominator < 0.0f) {
        if (numerator > double(denominator) * tEnter) return false;
        if (numerator > double(denominator) * tExit) tExit = numerator / denominator;
        return true;
    }
    return numerator <= 0.0f;  // parallel: inside the slab or not at all
}

bool rayOrientedBox(const Ray& ray, const rigidbody::BoxBody& box, unsigned& count, Vector3 points[2])
{
    float tEnter = 0.0f, tExit = LARGEST;

    // Origin and direction in the box frame: the transposed rotation times each,
    // every component one expression rounded once.
    const Matrix3 toBox = Matrix3::transpose(box.rotation);
    const Vector3 m = ray.origin - box.position;
    const Vector3 o = toBox * m;
    const Vector3 d = toBox * ray.direction;

    const Vector3& h = box.halfExtents;
    for (int i = 0; i < 3; ++i) {
        if (!clipSlab(tExit, tEnter, d[i], float(-double(o[i]) - h[i])) ||
            !clipSlab(tExit, tEnter, -d[i], float(double(o[i]) - h[i]))) {
            count = 0;
            return false;
        }
    }

    if (tEnter < tExit) {
        count = 2;
        points[0] = pointAt(ray, tEnter);
        points[1] = pointAt(ray, tExit);
    } else {
        count = 1;
        points[0] = pointAt(ray, tEnter);
    }
    return true;
}

bool rayBox(const BoundingBox& box, const Ray& ray, unsigned& count, Vector3 points[2])
{
    float tMin = -LARGEST, tMax = LARGEST;

    for (int i = 0; i < 3; ++i)
        if (std::fabs(ray.direction[i]) < 1e-6 && (ray.origin[i] < box.min[i] || ray.origin[i] > box.max[i]))
            return false;

    // A parallel axis with the origin inside its slab gives infinite parameters of
    // opposite signs and narrows nothing; with the origin exactly on one of its faces
    // that parameter is 0 times infinity, not a number, and must narrow nothing
    // either (a vertical ray along a node's face still meets the node).
    for (int i = 0; i < 3; ++i) {
        const float inv = 1.0f / ray.direction[i];
        const float t1 = float((double(box.min[i]) - ray.origin[i]) * inv);
        const float t2 = float((double(box.max[i]) - ray.origin[i]) * inv);
        const bool swapped = t1 > t2;
        const float tNear = swapped ? t2 : t1;
        const float tFar = swapped ? t1 : t2;
        if (tNear > tMin) tMin = tNear;
        if (tFar < tMax) tMax = tFar;
        if (tMin > tMax) return false;
        if (tMax < 0.0f) return false;
    }

    if (tMin > 0.0f) {
        count = 2;
        points[0] = pointAt(ray, tMin);
        points[1] = pointAt(ray, tMax);
    } else {  // origin inside or on the surface
        count = 1;
        points[0] = pointAt(ray, tMax);
    }
    return true;
}

bool rayMeshTree(const Ray& ray, const rigidbody::MeshTreeNode& node, const float* vertices, Vector3* hits,
                 unsigned& count, unsigned maximum)
{
    unsigned boxCount = 0;
    Vector3 boxPoints[2];
    if (!rayBox(node.bounds, ray, boxCount, boxPoints)) return false;

    if (node.left) {
        const bool left = rayMeshTree(ray, *node.left, vertices, hits, count, maximum);
        const bool right = rayMeshTree(ray, *node.right, vertices, hits, count, maximum);
        return left || right;
    }

    bool hit = false;
    for (std::uint32_t i = 0; i < node.triangleCount; ++i) {
        const std::uint16_t* tri = node.triangles + 3 * std::size_t(i);
        float t;
        Vector3 point;
        if (!rayTriangle(ray, vertex(vertices, tri[0]), vertex(vertices, tri[1]), vertex(vertices, tri[2]), t, point))
            continue;
        if (t < 0.0f) continue;  // behind the origin
        hit = true;
        if (count < maximum) hits[count++] = point;
    }
    return hit;
}

bool rayTriangle(const Ray& ray, const Vector3& c0, const Vector3& c1, const Vector3& c2, float& t, Vector3& point)
{
    const Vector3 e1 = c1 - c0;
    const Vector3 e2 = c2 - c0;
    const Vector3 p = crossProduct(ray.direction, e2);
    const float det = dotProduct(e1, p);
    if (-1e-6 < det && det < 1e-6) return false;  // ray parallel to the plane

    const float inv = float(1.0 / det);
    const Vector3 s = ray.origin - c0;
    const float u = float(double(dotProduct(s, p)) * inv);
    if (u < 0.0f || u > 1.0f) return false;
    const Vector3 q = crossProduct(s, e1);
    const float v = float(double(dotProduct(ray.direction, q)) * inv);
    if (v < 0.0f || v > 1.0f || double(u) + v > 1.0) return false;

    t = float(double(dotProduct(e2, q)) * inv);
    point = pointAt(ray, t);
    return true;
}

}  // namespace physics
