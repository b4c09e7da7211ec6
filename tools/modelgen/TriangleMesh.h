#pragma once
// The generator's working mesh: double-precision vertices and triangles of
// vertex indices, wound counter-clockwise seen from outside.
#include <array>
#include <cmath>
#include <string>
#include <vector>

struct Vec3 {
    double x = 0, y = 0, z = 0;

    Vec3() = default;
    Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    double operator[](int k) const { return k == 0 ? x : k == 1 ? y : z; }
};

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3& a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalised(const Vec3& a) { return a / length(a); }

using Triangle = std::array<int, 3>;

struct TriangleMesh {
    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles;
};

// Twice the area, along the normal of a triangle wound (a, b, c).
inline Vec3 areaNormal(const TriangleMesh& mesh, const Triangle& t)
{
    const Vec3& a = mesh.vertices[t[0]];
    return cross(mesh.vertices[t[1]] - a, mesh.vertices[t[2]] - a);
}

// Why the mesh is not a closed surface wound outwards, or "" when it is: every
// edge in exactly two triangles, once in each direction, every vertex used,
// no triangle without area, one piece, and a positive enclosed volume.
std::string closedSurfaceFault(const TriangleMesh& mesh);

// Moves the mesh's box centre to the origin and scales it so that the box's
// largest side has the given length.
void centreAndScale(TriangleMesh& mesh, double largestSide);
