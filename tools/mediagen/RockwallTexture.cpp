#include "RockwallTexture.h"

#include <OgreColourValue.h>
#include <OgreImage.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int SIZE = 256;
constexpr int ROWS = 4;           // courses of blocks
constexpr int BLOCKS_PER_ROW = 3;
constexpr int MORTAR = 5;         // pixels

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double random01(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    return (hash(x, y, seed) & 0xFFFFu) / 65535.0;
}

// Value noise on a lattice of the given period, so that it tiles with the image.
double noise(double x, double y, int period, std::uint32_t seed)
{
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) {
        return random01(std::uint32_t(((i % period) + period) % period), std::uint32_t(((j % period) + period) % period),
                        seed);
    };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

double roughness(int x, int y)
{
    double sum = 0, weight = 0, amplitude = 1;
    for (int octave = 0; octave < 4; ++octave) {
        const int period = 8 << octave;
        sum += amplitude * noise(x * period / double(SIZE), y * period / double(SIZE), period, std::uint32_t(octave));
        weight += amplitude;
        amplitude *= 0.5;
    }
    return sum / weight;
}

}  // namespace

void writeRockwallTexture(const std::string& path)
{
    Ogre::Image image(Ogre::PF_BYTE_RGB, SIZE, SIZE);
    const int rowHeight = SIZE / ROWS;
    const int blockWidth = SIZE / BLOCKS_PER_ROW + 1;
    for (int y = 0; y < SIZE; ++y) {
        const int row = y / rowHeight;
        const int shift = (row % 2) * blockWidth / 2;
        for (int x = 0; x < SIZE; ++x) {
            const int sx = (x + shift) % SIZE;
            const int column = std::min(sx / blockWidth, BLOCKS_PER_ROW - 1);
            const int inRow = y % rowHeight;
            const bool mortar = inRow < MORTAR || sx - column * blockWidth < MORTAR;
            const double rough = roughness(x, y);
            double r, g, b;
            if (mortar) {
                const double shade = 0.35 + 0.15 * rough;
                r = g = b = shade;
            } else {
                const double tint = random01(std::uint32_t(row), std::uint32_t(column), 99u);
                const double shade = 0.45 + 0.25 * tint + 0.35 * (rough - 0.5);
                r = shade * 1.05;
                g = shade * 0.97;
                b = shade * 0.88;
            }
            image.setColourAt(Ogre::ColourValue(float(std::clamp(r, 0.0, 1.0)), float(std::clamp(g, 0.0, 1.0)),
                                                float(std::clamp(b, 0.0, 1.0))),
                              x, y, 0);
        }
    }
    image.save(path);
}
