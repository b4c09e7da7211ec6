#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Terrains.h"

namespace {

constexpr double SIZE = 50;

struct Hill {
    double x, z, height, radius;
};

// The first hill's flank lies under the centre (25, 25), 6.3 units from its top.
const Hill hills[] = {{31, 27, 5.5, 6}, {14, 34, 4, 5}, {37, 12, 4.5, 5.5}, {12, 13, 3, 4}};

// 1 at an edge, falling steeply, 0 from 9 units inside.
double rimShape(double edgeDistance)
{
    return edgeDistance < 9 ? (1 - edgeDistance / 9) * (1 - edgeDistance / 9) : 0;
}

double hillsHeight(double x, double z)
{
    double h = 3;
    for (const Hill& hill : hills) {
        const double dx = x - hill.x, dz = z - hill.z;
        h += hill.height * std::exp(-(dx * dx + dz * dz) / (2 * hill.radius * hill.radius));
    }
    // A rim rising steepest at the edges and highest in the corners turns the
    // ball back inwards; no bumps on it.
    const double rx = rimShape(std::min(x, SIZE - x)), rz = rimShape(std::min(z, SIZE - z));
    const double rim = std::max(rx, rz);
    h += 7 * rim + 0.5 * rx * rz;
    h += 0.4 * (fractalNoise(x / 5, z / 5, 3, 21) - 0.5) * (1 - rim);
    return std::clamp(h, 0.0, 13.9);
}

Colour hillsColour(double x, double z, double h, double slope)
{
    const Colour valley{0.25, 0.42, 0.15}, grass{0.38, 0.56, 0.22}, rock{0.50, 0.46, 0.40};
    Colour c = mix(valley, grass, smoothstep(3, 7, h));
    c = mix(c, rock, smoothstep(0.45, 0.9, slope));
    return shade(c, 0.85 + 0.3 * fractalNoise(x * 1.5, z * 1.5, 4, 22));
}

}  // namespace

GeneratedTerrain hillsTerrain()
{
    return {"plytest5", "Hills for the sphere-on-terrain test, with a rim along every edge.",
            129, SIZE, 0.0, 14.0, 512, "", hillsHeight, hillsColour};
}
