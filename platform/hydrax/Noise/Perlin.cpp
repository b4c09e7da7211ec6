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
const double GAIN = 3.0;

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

}  // namespace

Perlin::Perlin() : Perlin(Options()) {}

Perlin::Perlin(const Options& options) : Noise("Perlin", true)
{
    if (!setOptions(options)) setOptions(Options());
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
    setUpOctaves();
    return true;
}

// Each octave turned and shifted so that the octaves do not line up, its two
// layers drifting in directions of their own.
void Perlin::setUpOctaves()
{
    mOctaves.resize(std::size_t(mOptions.Octaves));
    mTotalAmplitude = 0.0;
    double amplitude = 1.0;
    for (int o = 0; o < mOptions.Octaves; ++o, amplitude *= mOptions.Falloff) {
        Octave& octave = mOctaves[std::size_t(o)];
        octave.frequency = std::ldexp(1.0, o);
        octave.amplitude = amplitude;
        mTotalAmplitude += amplitude;
        const double turn = 0.7 * o + 0.3;
        octave.cosTurn = std::cos(turn);
        octave.sinTurn = std::sin(turn);
        octave.shiftX = 17.3 * o;
        octave.shiftY = 5.1 * o;
        // Lattice cells of this octave a second at speed 1: the first octave a
        // quarter cell, each finer one sqrt(2) times more of its own (finer) cells.
        const double speed = 0.25 * std::sqrt(octave.frequency);
        for (int layer = 0; layer < 2; ++layer) {
            const double heading = 0.45 + 1.9 * o + 2.2 * layer;
            octave.drift[layer][0] = speed * std::cos(heading);
            octave.drift[layer][1] = speed * std::sin(heading);
        }
    }
    placeLayers();
}

// The tile repeats every LATTICE cells: each layer's drift is kept within one.
void Perlin::placeLayers()
{
    for (Octave& octave : mOctaves)
        for (int layer = 0; layer < 2; ++layer)
            for (int axis = 0; axis < 2; ++axis)
                octave.offset[layer][axis] = std::fmod(octave.drift[layer][axis] * mTime, double(LATTICE));
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
    placeLayers();
}

float Perlin::sampleTile(double u, double v, float* du, float* dv) const
{
    // The table's side is a power of two: the sample wraps by masking.
    const double cu = u * SAMPLES, cv = v * SAMPLES;
    const double fu0 = std::floor(cu), fv0 = std::floor(cv);
    const int i0 = int(std::int64_t(fu0) & (TABLE - 1)), j0 = int(std::int64_t(fv0) & (TABLE - 1));
    const int i1 = (i0 + 1) & (TABLE - 1), j1 = (j0 + 1) & (TABLE - 1);
    const float fu = float(cu - fu0), fv = float(cv - fv0);
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
    double sum = 0.0, gx = 0.0, gy = 0.0;
    for (const Octave& f : mOctaves) {
        const double frequency = f.frequency;
        // Full weight while the caller takes five samples a feature, fading to
        // none at less than two (a little aliasing traded for a gentler fade).
        const double samplesApart = double(footprint) * frequency;
        if (samplesApart >= 0.6) break;  // nor at any finer octave
        const double weight = samplesApart <= 0.2 ? 1.0 : (0.6 - samplesApart) / 0.4;
        const double px = frequency * (f.cosTurn * x - f.sinTurn * y) + f.shiftX;
        const double py = frequency * (f.sinTurn * x + f.cosTurn * y) + f.shiftY;
        double value = 0.0, du = 0.0, dv = 0.0;
        for (int layer = 0; layer < 2; ++layer) {
            float su, sv;
            value += sampleTile(px + f.offset[layer][0], py + f.offset[layer][1], gradient ? &su : nullptr,
                                gradient ? &sv : nullptr);
            if (gradient) {
                du += su;
                dv += sv;
            }
        }
        const double scale = 0.5 * f.amplitude * weight;
        sum += scale * value;
        if (gradient) {
            // Back from the octave's turned lattice to x and y.
            gx += scale * frequency * (f.cosTurn * du + f.sinTurn * dv);
            gy += scale * frequency * (-f.sinTurn * du + f.cosTurn * dv);
        }
    }
    // A soft limit into (-1, 1): s / sqrt(1 + s^2), steepest (1) at 0.
    const double spread = GAIN * sum / mTotalAmplitude;
    const double root = std::sqrt(1.0 + spread * spread);
    const double limited = spread / root;
    if (gradient) {
        const double slope = GAIN / (mTotalAmplitude * root * root * root);
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
