#include "SkyBoxFaces.h"

#include <OgreColourValue.h>
#include <OgreImage.h>
#include <OgreVector.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace {

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb add(const Rgb& a, const Rgb& b, double k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k}; }

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

std::uint32_t hash(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const std::int32_t x0 = std::int32_t(fx0), y0 = std::int32_t(fy0);
    const double fx = x - fx0, fy = y - fy0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto at = [&](std::int32_t i, std::int32_t j) { return (hash(i, j, seed) & 0xFFFFu) / 65535.0; };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal value noise in [0, 1].
double fbm(double x, double y, std::uint32_t seed, int octaves = 5)
{
    double sum = 0, weight = 0, amplitude = 1, frequency = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(x * frequency, y * frequency, seed + std::uint32_t(o));
        weight += amplitude;
        amplitude *= 0.5;
        frequency *= 2.03;
    }
    return sum / weight;
}

// A bright sun disk of the given angular radius (radians) with a halo.
Rgb sunlight(const Ogre::Vector3& d, const Ogre::Vector3& sun, double radius, const Rgb& colour, double halo,
             double haloSharpness)
{
    const double c = std::max(0.0, double(d.dotProduct(sun)));
    const double disk = smoothstep(std::cos(radius * 1.3), std::cos(radius), c);
    const double glow = 0.6 * std::pow(c, 400.0) + halo * std::pow(c, haloSharpness);
    return {colour.r * (disk + glow), colour.g * (disk + glow), colour.b * (disk + glow)};
}

// Clear tropical day: deep blue overhead, pale at the horizon, white cumulus
// in the middle of the sky, the sun straight up.
Rgb clubTropicana(const Ogre::Vector3& d)
{
    const double y = d.y;
    Rgb sky;
    if (y >= 0) {
        sky = mix({0.10, 0.34, 0.82}, {0.68, 0.85, 0.97}, std::pow(1 - y, 4));
        const double lift = y + 0.08;
        const double qx = d.x / lift * 1.4, qz = d.z / lift * 1.4;
        const double cover = smoothstep(0.54, 0.72, fbm(qx + 11.0, qz - 3.0, 17u)) * smoothstep(0.03, 0.3, y);
        const double shade = 0.80 + 0.20 * smoothstep(0.45, 0.8, fbm(qx * 1.9 + 4.0, qz * 1.9 + 9.0, 41u));
        sky = mix(sky, {shade, shade, shade * 0.98}, 0.92 * cover);
    } else {
        sky = mix({0.50, 0.68, 0.80}, {0.08, 0.22, 0.34}, std::min(1.0, -y * 4));
    }
    return add(sky, sunlight(d, Ogre::Vector3::UNIT_Y, 0.045, {1.0, 0.97, 0.88}, 0.25, 16.0), 1.0);
}

// Dawn: violet overhead, rose at the horizon, orange towards the low sun at
// +z (where the programs put it), thin clouds lit from below.
Rgb earlyMorning(const Ogre::Vector3& d)
{
    const Ogre::Vector3 sun = Ogre::Vector3(0, 10000, 90000).normalisedCopy();
    const double y = d.y;
    const double towards = 0.5 * (1.0 + d.dotProduct(sun));
    Rgb sky;
    if (y >= 0) {
        sky = mix({0.20, 0.23, 0.48}, {0.90, 0.62, 0.58}, std::pow(1 - y, 3));
        sky = mix(sky, {1.0, 0.58, 0.28}, std::pow(1 - y, 5) * std::pow(towards, 3));
        const double lift = y + 0.05;
        const double qx = d.x / lift * 0.7, qz = d.z / lift * 2.6;
        const double cover = smoothstep(0.55, 0.75, fbm(qx - 7.0, qz + 2.0, 73u)) * smoothstep(0.01, 0.1, y) *
                             (1 - smoothstep(0.35, 0.7, y));
        sky = mix(sky, mix({0.52, 0.38, 0.50}, {1.0, 0.72, 0.48}, towards * towards), 0.85 * cover);
    } else {
        sky = mix({0.52, 0.42, 0.46}, {0.10, 0.10, 0.18}, std::min(1.0, -y * 4));
    }
    return add(sky, sunlight(d, sun, 0.04, {1.0, 0.82, 0.55}, 0.45, 10.0), 1.0);
}

// Overcast: grey, darker overhead, in soft patches of cloud.
Rgb clouds(const Ogre::Vector3& d)
{
    const double y = d.y;
    if (y < 0) return mix({0.58, 0.60, 0.63}, {0.20, 0.22, 0.25}, std::min(1.0, -y * 4));
    Rgb sky = mix({0.46, 0.49, 0.54}, {0.74, 0.76, 0.78}, std::pow(1 - y, 2));
    const double lift = y + 0.1;
    const double patch = fbm(d.x / lift * 1.1 + 5.0, d.z / lift * 1.1 - 8.0, 29u) - 0.5;
    const double fade = smoothstep(0.0, 0.25, y);
    const double k = 1.0 + 0.45 * patch * fade;
    return {sky.r * k, sky.g * k, sky.b * k * 1.01};
}

struct Face {
    const char* suffix;
    Ogre::Vector3 middle, up, right;
};

// The cube's faces as the sky box shows them, seen from inside: each image's
// left edge lies towards -right and its top edge towards +up.
const Face FACES[6] = {
    {"_fr", Ogre::Vector3(0, 0, -1), Ogre::Vector3(0, 1, 0), Ogre::Vector3(1, 0, 0)},
    {"_bk", Ogre::Vector3(0, 0, 1), Ogre::Vector3(0, 1, 0), Ogre::Vector3(-1, 0, 0)},
    {"_lf", Ogre::Vector3(-1, 0, 0), Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, -1)},
    {"_rt", Ogre::Vector3(1, 0, 0), Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 1)},
    {"_up", Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 1), Ogre::Vector3(1, 0, 0)},
    {"_dn", Ogre::Vector3(0, -1, 0), Ogre::Vector3(0, 0, -1), Ogre::Vector3(1, 0, 0)},
};

}  // namespace

bool writeSkyBoxFaces(const std::string& sky, const std::string& folder, int size)
{
    std::function<Rgb(const Ogre::Vector3&)> paint;
    if (sky == "clubtropicana")
        paint = clubTropicana;
    else if (sky == "earlymorning")
        paint = earlyMorning;
    else if (sky == "clouds")
        paint = clouds;
    else
        return false;

    for (const Face& face : FACES) {
        Ogre::Image image(Ogre::PF_BYTE_RGB, size, size);
        for (int py = 0; py < size; ++py) {
            for (int px = 0; px < size; ++px) {
                const double u = (px + 0.5) / size * 2 - 1, v = 1 - (py + 0.5) / size * 2;
                const Ogre::Vector3 d =
                    (face.middle + face.right * float(u) + face.up * float(v)).normalisedCopy();
                const Rgb c = paint(d);
                image.setColourAt(Ogre::ColourValue(float(std::clamp(c.r, 0.0, 1.0)), float(std::clamp(c.g, 0.0, 1.0)),
                                                    float(std::clamp(c.b, 0.0, 1.0))),
                                  px, py, 0);
            }
        }
        image.save(folder + "/" + sky + face.suffix + ".png");
    }
    return true;
}
