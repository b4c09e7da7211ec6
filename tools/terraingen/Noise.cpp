#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace {

std::uint32_t hash(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double lattice(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    return (hash(x, y, seed) & 0xFFFFu) / 65535.0;
}

}  // namespace

double valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const std::int32_t x0 = std::int32_t(fx0), y0 = std::int32_t(fy0);
    const double sx = smoothstep(0, 1, x - fx0), sy = smoothstep(0, 1, y - fy0);
    const double top = lattice(x0, y0, seed) + (lattice(x0 + 1, y0, seed) - lattice(x0, y0, seed)) * sx;
    const double bottom =
        lattice(x0, y0 + 1, seed) + (lattice(x0 + 1, y0 + 1, seed) - lattice(x0, y0 + 1, seed)) * sx;
    return top + (bottom - top) * sy;
}

double fractalNoise(double x, double y, int octaves, std::uint32_t seed)
{
    double sum = 0, weight = 0, amplitude = 1, frequency = 1;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * valueNoise(x * frequency, y * frequency, seed + std::uint32_t(octave) * 7919u);
        weight += amplitude;
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum / weight;
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}
