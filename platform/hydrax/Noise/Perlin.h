#pragma once
// Animated gradient noise of several octaves. One periodic tile of gradient
// noise is tabulated at create; every octave samples it at twice the frequency
// of the one before, turned and shifted so that the octaves do not line up, as
// two layers drifting in different directions (the finer octaves slower, as
// short waves on deep water are), so that the surface changes shape as it moves.
// The first octave's features are one unit across. Everything is derived from
// fixed constants: two noises with the same options give the same heights.
#include <vector>

#include "platform/hydrax/Noise/Noise.h"

namespace Hydrax {
namespace Noise {

class Perlin : public Noise {
public:
    struct Options {
        // Number of octaves, 1 to 8.
        int Octaves;
        // Amplitude of each octave relative to the one before, above 0 and at most 1.
        float Falloff;
        // Rate of the animation (1: the first octave drifts a quarter unit a second).
        float Speed;

        Options() : Octaves(6), Falloff(0.5f), Speed(1.0f) {}
        Options(int octaves, float falloff, float speed) : Octaves(octaves), Falloff(falloff), Speed(speed) {}
    };

    Perlin();
    explicit Perlin(const Options& options);

    void create() override;
    void remove() override;
    void update(const Ogre::Real& timeSinceLastFrame) override;

    float getValue(const float& x, const float& y) override;
    float getValue(const float& x, const float& y, const float& footprint, Ogre::Vector2* gradient) override;

    // "PN_Octaves", "PN_Falloff", "PN_Speed".
    void saveCfg(Ogre::String& data) override;
    bool loadCfg(Ogre::ConfigFile& config) override;

    // Refused with a log line (false) when a value lies outside its range.
    bool setOptions(const Options& options);
    const Options& getOptions() const { return mOptions; }
    double getTime() const { return mTime; }

private:
    // How an octave samples the tile: its frequency and amplitude, turned and
    // shifted, and where its two drifting layers stand now (in lattice units,
    // within one tile).
    struct Octave {
        double frequency, amplitude, cosTurn, sinTurn, shiftX, shiftY;
        double drift[2][2];
        double offset[2][2];
    };

    void buildTable();
    void setUpOctaves();
    void placeLayers();
    // Bilinear sample of the tile at a position in lattice units; its derivative
    // along both axes when asked.
    float sampleTile(double u, double v, float* du, float* dv) const;

    Options mOptions;
    std::vector<float> mTable;
    std::vector<Octave> mOctaves;
    double mTotalAmplitude = 1.0;
    double mTime = 0.0;
};

}  // namespace Noise
}  // namespace Hydrax
