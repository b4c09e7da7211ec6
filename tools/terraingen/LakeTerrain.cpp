#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Terrains.h"

namespace {

constexpr double SIZE = 50;
constexpr double FLOOR = 4.5;     // the basin's floor
constexpr double PLATEAU = 12.5;  // the land between shore and rim
constexpr double RIM = 3.4;       // added along the edges, 0.3 more in the corners
constexpr double WATER = 10;      // the water programs' level

// 1 at an edge, falling steeply, 0 from 7 units inside.
double rimShape(double edgeDistance)
{
    return edgeDistance < 7 ? (1 - edgeDistance / 7) * (1 - edgeDistance / 7) : 0;
}

double lakeHeight(double x, double z)
{
    const double cx = x - SIZE / 2, cz = z - SIZE / 2;
    // An irregular shore: the basin's radius varies with the direction.
    const double angle = std::atan2(cz, cx);
    const double wobble = fractalNoise(3 + 1.5 * std::cos(angle), 3 + 1.5 * std::sin(angle), 3, 11) - 0.5;
    const double r = std::sqrt(cx * cx + cz * cz) * (1 + 0.25 * wobble);
    // The rim rises steepest at the edges and highest in the corners, so that
    // what lands on it is turned inwards.
    const double rx = rimShape(std::min(x, SIZE - x)), rz = rimShape(std::min(z, SIZE - z));
    const double rim = std::max(rx, rz);
    double h = FLOOR + (PLATEAU - FLOOR) * smoothstep(9, 20, r) + RIM * rim + 0.3 * rx * rz;
    // Small bumps on the land, none on the floor near the centre nor on the rim.
    h += 0.5 * (fractalNoise(x / 6, z / 6, 3, 12) - 0.5) * smoothstep(11, 16, r) * (1 - rim);
    return std::min(h, 16.2);
}

Colour lakeColour(double x, double z, double h, double slope)
{
    const Colour mud{0.36, 0.31, 0.22}, sand{0.78, 0.70, 0.50}, grass{0.30, 0.50, 0.18}, dryGrass{0.52, 0.55, 0.26},
        rock{0.47, 0.44, 0.40};
    Colour c = mix(mud, sand, smoothstep(WATER - 3, WATER - 0.2, h));
    c = mix(c, grass, smoothstep(WATER + 0.5, WATER + 1.3, h));
    c = mix(c, dryGrass, smoothstep(13.5, 15.5, h) * 0.7);
    c = mix(c, rock, smoothstep(1.0, 1.6, slope));
    return shade(c, 0.85 + 0.3 * fractalNoise(x * 1.5, z * 1.5, 4, 13));
}

}  // namespace

GeneratedTerrain lakeTerrain()
{
    return {"watertest2_terrain", "The lake of the water programs: a basin with its shores and a rim.",
            129, SIZE, 2.0, 16.25, 512, "", lakeHeight, lakeColour};
}
