#include "platform/hydrax/Noise/Perlin.h"

#include <OgreStringConverter.h>

#include <cmath>
#include <cstdint>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/Log.h"

namespace Hydrax {
namespace Noise {

namespace {

const int LATTICE = 32;                    // lattice cells along each side of the tile
const int SAMPLES = 8;                     // table samples per lattice cell
const int TABLE = LATTICE * SAMPLES;       // table samples along each side
const int MAX_OCTAVES = 8;
const double TWO_PI = 6.283185307179586;
// Typical heights of the summed octaves are a fraction of their bound; this
// spreads them over most of [-1, 1] before the soft limit.
const double GAIN = 2.5;

// A well-mixed 32-bit hash of a lattice point (the finaliser of a common
// integer hash), so that the gradients depend on nothing but the point.
std::uint32_t hashPoint(std::uint32_t x, std::uint32_t y)
{
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ 0x9e3779b9u;
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Periodic gradient noise at (x, y) in lattice units.
double gradientNoise(double x, double y)
{
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    double corner[2][2];
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            const std::uint32_t gx = std::uint32_t(((x0 + a) % LATTICE + LATTICE) % LATTICE);
            const std::uint32_t gy = std::uint32_t(((y0 + b) % LATTICE + LATTICE) % LATTICE);
            const double angle = hashPoint(gx, gy) * (TWO_PI / 4294967296.0);
            corner[a][b] = std::cos(angle) * (fx - a) + std::sin(angle) * (fy - b);
        }
    }
    const double u = fade(fx), v = fade(fy);
    const double bottom = corner[0][0] + u * (corner[1][0] - corner[0][0]);
    const double top = corner[0][1] + u * (corner[1][1] - corner[0][1]);
    return bottom + v * (top - bottom);
}

// How each octave samples the tile: turned, shifted, and two drift directions.
struct OctaveFrame {
    double cosTurn, sinTurn, shiftX, shiftY, drift[2][2];
};

OctaveFrame octaveFrame(int octave)
{
    OctaveFrame f;
    const double turn = 0.7 * octave + 0.3;
    f.cosTurn = std::cos(turn);
    f.sinTurn = std::sin(turn);
    f.shiftX = 17.3 * octave;
    f.shiftY = 5.1 * octave;
    // Lattice cells of this octave a second at speed 1: the first octave a
    // quarter cell, each finer one sqrt(2) times more of its own (finer) cells.
    const double speed = 0.25 * std::sqrt(std::ldexp(1.0, octave));
    for (int layer = 0; layer < 2; ++layer) {
        const double heading = 0.45 + 1.9 * octave + 2.2 * layer;
        f.drift[layer][0] = speed * std::cos(heading);
        f.drift[layer][1] = speed * std::sin(heading);
    }
    return f;
}

}  // namespace

Perlin::Perlin() : Perlin(Options()) {}

Perlin::Perlin(const Options& options) : Noise("Perlin", true)
{
    if (!setOptions(options)) mOptions = Options();
}

bool Perlin::setOptions(const Options& options)
{
    if (options.Octaves < 1 || options.Octaves > MAX_OCTAVES || !(options.Falloff > 0.0f) ||
        !(options.Falloff <= 1.0f) || !(options.Speed >= 0.0f) || !std::isfinite(options.Speed)) {
        log("Perlin noise options refused: octaves " + Ogre::StringConverter::toString(options.Octaves) +
            ", falloff " + Ogre::StringConverter::toString(options.Falloff) + ", speed " +
            Ogre::StringConverter::toString(options.Speed) + ".");
        return false;
    }
    mOptions = options;
    return true;
}

void Perlin::create()
{
    if (mTable.empty()) buildTable();
    Noise::create();
}

void Perlin::remove()
{
    mTable.clear();
    mTable.shrink_to_fit();
    Noise::remove();
}

void Perlin::buildTable()
{
    mTable.resize(std::size_t(TABLE) * TABLE);
    double largest = 0.0;
    for (int j = 0; j < TABLE; ++j) {
        for (int i = 0; i < TABLE; ++i) {
            const double v = gradientNoise(double(i) / SAMPLES, double(j) / SAMPLES);
            mTable[std::size_t(j) * TABLE + i] = float(v);
            largest = std::fmax(largest, std::fabs(v));
        }
    }
    // Bilinear samples of the table then stay within [-1, 1].
    if (largest > 0.0)
        for (float& v : mTable) v = float(v / largest);
}

void Perlin::update(const Ogre::Real& timeSinceLastFrame)
{
    mTime += double(timeSinceLastFrame) * mOptions.Speed;
}

float Perlin::sampleTile(double u, double v, float* du, float* dv) const
{
    double cu = std::fmod(u * SAMPLES, double(TABLE)), cv = std::fmod(v * SAMPLES, double(TABLE));
    if (cu < 0) cu += TABLE;
    if (cv < 0) cv += TABLE;
    int i0 = int(cu), j0 = int(cv);
    if (i0 >= TABLE) i0 = TABLE - 1;  // a remainder that rounded up to the period
    if (j0 >= TABLE) j0 = TABLE - 1;
    const int i1 = (i0 + 1) % TABLE, j1 = (j0 + 1) % TABLE;
    const float fu = float(cu - i0), fv = float(cv - j0);
    const float v00 = mTable[std::size_t(j0) * TABLE + i0], v10 = mTable[std::size_t(j0) * TABLE + i1];
    const float v01 = mTable[std::size_t(j1) * TABLE + i0], v11 = mTable[std::size_t(j1) * TABLE + i1];
    if (du) *du = ((v10 - v00) * (1 - fv) + (v11 - v01) * fv) * SAMPLES;
    if (dv) *dv = ((v01 - v00) * (1 - fu) + (v11 - v10) * fu) * SAMPLES;
    const float bottom = v00 + (v10 - v00) * fu, top = v01 + (v11 - v01) * fu;
    return bottom + (top - bottom) * fv;
}

float Perlin::getValue(const float& x, const float& y) { return getValue(x, y, 0.0f, nullptr); }

float Perlin::getValue(const float& x, const float& y, const float& footprint, Ogre::Vector2* gradient)
{
    if (gradient) *gradient = Ogre::Vector2::ZERO;
    if (mTable.empty()) return 0.0f;
    double sum = 0.0, total = 0.0, gx = 0.0, gy = 0.0, amplitude = 1.0;
    for (int octave = 0; octave < mOptions.Octaves; ++octave, amplitude *= mOptions.Falloff) {
        total += amplitude;
        const double frequency = std::ldexp(1.0, octave);
        // Full weight while the caller takes four samples a feature, none at two.
        const double samplesApart = double(footprint) * frequency;
        const double weight = samplesApart <= 0.25 ? 1.0 : samplesApart >= 0.5 ? 0.0 : (0.5 - samplesApart) / 0.25;
        if (weight == 0.0) continue;
        const OctaveFrame f = octaveFrame(octave);
        const double px = frequency * (f.cosTurn * x - f.sinTurn * y) + f.shiftX;
        const double py = frequency * (f.sinTurn * x + f.cosTurn * y) + f.shiftY;
        double value = 0.0, du = 0.0, dv = 0.0;
        for (int layer = 0; layer < 2; ++layer) {
            // The tile repeats every LATTICE cells: the drift is kept within one.
            const double ox = std::fmod(f.drift[layer][0] * mTime, double(LATTICE));
            const double oy = std::fmod(f.drift[layer][1] * mTime, double(LATTICE));
            float su, sv;
            value += sampleTile(px + ox, py + oy, gradient ? &su : nullptr, gradient ? &sv : nullptr);
            if (gradient) {
                du += su;
                dv += sv;
            }
        }
        const double scale = 0.5 * amplitude * weight;
        sum += scale * value;
        if (gradient) {
            // Back from the octave's turned lattice to x and y.
            gx += scale * frequency * (f.cosTurn * du + f.sinTurn * dv);
            gy += scale * frequency * (-f.sinTurn * du + f.cosTurn * dv);
        }
    }
    const double limited = std::tanh(GAIN * sum / total);
    if (gradient) {
        const double slope = (1.0 - limited * limited) * GAIN / total;
        *gradient = Ogre::Vector2(float(slope * gx), float(slope * gy));
    }
    return float(limited);
}

void Perlin::saveCfg(Ogre::String& data)
{
    data += CfgFileManager::_getCfgString("PN_Octaves", mOptions.Octaves);
    data += CfgFileManager::_getCfgString("PN_Falloff", mOptions.Falloff);
    data += CfgFileManager::_getCfgString("PN_Speed", mOptions.Speed);
}

bool Perlin::loadCfg(Ogre::ConfigFile& config)
{
    Options read;
    read.Octaves = CfgFileManager::_getIntValue(config, "PN_Octaves", mOptions.Octaves);
    read.Falloff = CfgFileManager::_getFloatValue(config, "PN_Falloff", mOptions.Falloff);
    read.Speed = CfgFileManager::_getFloatValue(config, "PN_Speed", mOptions.Speed);
    return setOptions(read);
}

}  // namespace Noise
}  // namespace Hydrax
