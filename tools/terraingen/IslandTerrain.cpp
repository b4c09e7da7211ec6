#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Terrains.h"

namespace {

constexpr double SIZE = 3000;
// The island's middle and the mean distance of its waterline from there, north
// of the square's middle: seaview's camera, near the west edge looking north,
// starts at sea with the island's west coast on its right. The waterline stays
// clear of the square's edges, so that the sea goes all round.
constexpr double CENTRE_X = 1400, CENTRE_Z = 1150;
constexpr double SHORE = 1000;

double islandHeight(double x, double z)
{
    const double cx = x - CENTRE_X, cz = z - CENTRE_Z;
    const double angle = std::atan2(cz, cx);
    const double coast = SHORE * (1 + 0.2 * (fractalNoise(5 + 2 * std::cos(angle), 5 + 2 * std::sin(angle), 4, 31) - 0.5));
    const double s = std::sqrt(cx * cx + cz * cz) / coast;  // 1 at the waterline

    if (s >= 1) return -4 - 56 * smoothstep(1, 1.3, s);  // the sea floor
    const double land = fractalNoise(x / 400, z / 400, 5, 32) - 0.5;
    // Beach up to s = 0.86, a rolling plateau inward to s = 0.3, then the mountain.
    double h = -4 + 26 * smoothstep(1, 0.86, s);
    h += 50 * smoothstep(0.86, 0.3, s) + 22 * land * smoothstep(0.95, 0.8, s);
    h += 110 * smoothstep(0.32, 0.0, s) * (0.8 + 0.4 * fractalNoise(x / 150, z / 150, 3, 33));
    return std::min(h, 199.0);
}

Colour islandColour(double x, double z, double h, double slope)
{
    const Colour seabed{0.55, 0.50, 0.38}, sand{0.86, 0.79, 0.58}, grass{0.28, 0.52, 0.16}, forest{0.16, 0.36, 0.12},
        rock{0.50, 0.47, 0.43}, snow{0.92, 0.92, 0.95};
    Colour c = mix(seabed, sand, smoothstep(-20, -2, h));
    c = mix(c, grass, smoothstep(12, 22, h));
    c = mix(c, forest, smoothstep(0.35, 0.75, fractalNoise(x / 120, z / 120, 3, 34)) * smoothstep(22, 40, h));
    c = mix(c, rock, std::max(smoothstep(120, 160, h), smoothstep(0.5, 0.9, slope)));
    c = mix(c, snow, smoothstep(180, 195, h));
    return shade(c, 0.85 + 0.3 * fractalNoise(x / 8, z / 8, 4, 35));
}

}  // namespace

GeneratedTerrain islandTerrain()
{
    return {"Island", "The island of seaview, drawn with the material \"Island\" (media/materials).",
            257, SIZE, -60.0, 200.0, 1024, "Island", islandHeight, islandColour};
}
