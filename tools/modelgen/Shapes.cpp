#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A smooth minimum: the surfaces of a and b are joined by a fillet of about k.
double smoothUnion(double a, double b, double k)
{
    const double h = std::max(k - std::fabs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}

double smoothIntersection(double a, double b, double k) { return -smoothUnion(-a, -b, k); }

// An ellipsoid with semi-axes r along the unit axes u, v, w (a bound of the
// distance that is exact on the surface).
struct Ellipsoid {
    Vec3 centre, r;
    Vec3 u{1, 0, 0}, v{0, 1, 0}, w{0, 0, 1};

    double operator()(const Vec3& p) const
    {
        const Vec3 d = p - centre;
        const Vec3 q(dot(d, u), dot(d, v), dot(d, w));
        const double k0 = length(Vec3(q.x / r.x, q.y / r.y, q.z / r.z));
        const double k1 = length(Vec3(q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)));
        return k1 > 0 ? k0 * (k0 - 1.0) / k1 : -std::min({r.x, r.y, r.z});
    }
};

Ellipsoid axisEllipsoid(const Vec3& centre, const Vec3& r) { return {centre, r}; }

// An ellipsoid whose first axis points along `along`, its third as near the
// given side direction as stays square to it.
Ellipsoid leaningEllipsoid(const Vec3& centre, const Vec3& along, const Vec3& side, const Vec3& r)
{
    const Vec3 u = normalised(along);
    const Vec3 w = normalised(side - u * dot(side, u));
    return {centre, r, u, cross(w, u), w};
}

// A tube from a to b whose radius goes from ra to rb.
double taperedTube(const Vec3& p, const Vec3& a, const Vec3& b, double ra, double rb)
{
    const Vec3 ab = b - a, ap = p - a;
    const double h = std::clamp(dot(ap, ab) / dot(ab, ab), 0.0, 1.0);
    return length(ap - ab * h) - (ra + (rb - ra) * h);
}

// A tube through the points, its radius running through the radii, the
// segments joined smoothly.
double tubeChain(const Vec3& p, const std::vector<Vec3>& points, const std::vector<double>& radii, double k)
{
    double d = taperedTube(p, points[0], points[1], radii[0], radii[1]);
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        d = smoothUnion(d, taperedTube(p, points[i], points[i + 1], radii[i], radii[i + 1]), k);
    return d;
}

}  // namespace

Solid bunnySolid()
{
    const Ellipsoid haunch = axisEllipsoid({-0.20, 0.42, 0}, {0.50, 0.43, 0.41});
    const Ellipsoid chest = axisEllipsoid({0.17, 0.52, 0}, {0.33, 0.37, 0.31});
    const Ellipsoid head = axisEllipsoid({0.45, 0.93, 0}, {0.25, 0.22, 0.20});
    const Ellipsoid snout = axisEllipsoid({0.65, 0.86, 0}, {0.12, 0.11, 0.11});
    const Ellipsoid cheeks = axisEllipsoid({0.50, 0.84, 0}, {0.16, 0.13, 0.22});
    // The ears lean back and a little apart; they are flat, wide front to back.
    const Ellipsoid leftEar = leaningEllipsoid({0.30, 1.38, 0.10}, {-0.30, 1.0, 0.16}, {0, 0, 1}, {0.33, 0.085, 0.042});
    const Ellipsoid rightEar =
        leaningEllipsoid({0.30, 1.38, -0.10}, {-0.30, 1.0, -0.16}, {0, 0, 1}, {0.33, 0.085, 0.042});
    const Ellipsoid tail = axisEllipsoid({-0.70, 0.52, 0}, {0.11, 0.11, 0.11});
    const Ellipsoid leftFoot = axisEllipsoid({-0.03, 0.08, 0.24}, {0.30, 0.08, 0.11});
    const Ellipsoid rightFoot = axisEllipsoid({-0.03, 0.08, -0.24}, {0.30, 0.08, 0.11});
    const Ellipsoid leftPaw = axisEllipsoid({0.40, 0.07, 0.12}, {0.12, 0.07, 0.075});
    const Ellipsoid rightPaw = axisEllipsoid({0.40, 0.07, -0.12}, {0.12, 0.07, 0.075});

    Solid s;
    s.distance = [=](const Vec3& p) {
        double body = smoothUnion(haunch(p), chest(p), 0.15);
        double face = smoothUnion(head(p), snout(p), 0.06);
        face = smoothUnion(face, cheeks(p), 0.05);
        double d = smoothUnion(body, face, 0.12);
        d = smoothUnion(d, smoothUnion(leftEar(p), rightEar(p), 0.02), 0.06);
        d = smoothUnion(d, tail(p), 0.06);
        d = smoothUnion(d, smoothUnion(leftFoot(p), rightFoot(p), 0.02), 0.08);
        const double legs = std::min(taperedTube(p, {0.28, 0.40, 0.12}, {0.40, 0.09, 0.12}, 0.085, 0.06),
                                     taperedTube(p, {0.28, 0.40, -0.12}, {0.40, 0.09, -0.12}, 0.085, 0.06));
        d = smoothUnion(d, legs, 0.06);
        d = smoothUnion(d, smoothUnion(leftPaw(p), rightPaw(p), 0.02), 0.04);
        return d;
    };
    s.lo = {-0.95, -0.1, -0.5};
    s.hi = {0.95, 1.85, 0.5};
    s.cell = 0.018;
    return s;
}

Solid teapotSolid()
{
    const Ellipsoid belly = axisEllipsoid({0, 0, 0}, {1.0, 0.72, 1.0});
    const Ellipsoid lid = axisEllipsoid({0, 0.55, 0}, {0.60, 0.16, 0.60});
    const Ellipsoid knob = axisEllipsoid({0, 0.82, 0}, {0.13, 0.10, 0.13});
    const std::vector<Vec3> spout = {{0.70, -0.28, 0}, {1.10, -0.08, 0}, {1.36, 0.25, 0}, {1.52, 0.50, 0}};
    const std::vector<double> spoutRadii = {0.21, 0.13, 0.095, 0.085};
    // The handle: a loop in the xy plane whose ends sink into the body.
    std::vector<Vec3> handle;
    std::vector<double> handleRadii;
    const double pi = std::acos(-1.0);
    for (int i = 0; i <= 10; ++i) {
        const double a = (60.0 + 24.0 * i) * pi / 180.0;
        handle.push_back({-0.95 + 0.45 * std::cos(a), 0.05 + 0.45 * std::sin(a), 0});
        handleRadii.push_back(0.075);
    }

    Solid s;
    s.distance = [=](const Vec3& p) {
        double body = smoothIntersection(belly(p), -(p.y + 0.60), 0.08);  // a flat base
        body = smoothUnion(body, lid(p), 0.05);
        body = smoothUnion(body, taperedTube(p, {0, 0.62, 0}, {0, 0.80, 0}, 0.06, 0.05), 0.04);
        body = smoothUnion(body, knob(p), 0.03);
        body = smoothUnion(body, tubeChain(p, spout, spoutRadii, 0.03), 0.10);
        body = smoothUnion(body, tubeChain(p, handle, handleRadii, 0.02), 0.06);
        return body;
    };
    s.lo = {-1.6, -0.81, -1.15};  // no grid plane on the base, where the distance would be exactly zero
    s.hi = {1.75, 1.05, 1.15};
    s.cell = 0.025;
    return s;
}
