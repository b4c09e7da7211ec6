#pragma once
// The water layer's module that draws the shallow-water simulator: a regular
// Complexity x Complexity grid over MeshSize whose heights are the simulated
// surface above its lowest point, with dry cells lowered by half a unit, and
// whose normals come from the neighbouring vertices (pointing down, as the
// layer expects them).
//
// Vertex k = i n + j lies at x index i and z index j, and reads water cell
// (i, j) at i + j n. The module draws the grid of the water it is given: a
// complexity or mesh size that disagrees with that water (from the caller or a
// configuration file shared by grids of other sizes) is logged and replaced by
// the water's own, so that update never reads past the water's arrays.
#include <OgreConfigFile.h>
#include <OgreString.h>
#include <OgreVector.h>

#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/MaterialManager.h"
#include "platform/hydrax/Module/Module.h"
#include "platform/hydrax/Noise/Noise.h"
#include "platform/hydrax/Size.h"
#include "sim/water/WaterSimulator.h"

class HydraxGrid : public Hydrax::Module::Module {
public:
    struct Options {
        int Complexity;
        Hydrax::Size MeshSize;
        float Strength;
        // Stored, written and read; nothing else uses them.
        bool Smooth;
        bool ChoppyWaves;
        float ChoppyStrength;

        Options()
            : Complexity(256), MeshSize(100, 100), Strength(32.5f), Smooth(false), ChoppyWaves(true),
              ChoppyStrength(0.065f)
        {
        }
        Options(int complexity, const Hydrax::Size& meshSize, float strength, bool smooth, bool choppyWaves,
                float choppyStrength)
            : Complexity(complexity), MeshSize(meshSize), Strength(strength), Smooth(smooth),
              ChoppyWaves(choppyWaves), ChoppyStrength(choppyStrength)
        {
        }
    };

    HydraxGrid(const Hydrax::MaterialManager::NormalMode& mode, Hydrax::Hydrax* hydrax, Hydrax::Noise::Noise* noise,
               const Options& options, physics::water::WaterSimulator* water);
    ~HydraxGrid() override;

    void create() override;
    void remove() override;
    void update(const float& timeSinceLastFrame) override;
    void saveCfg(Ogre::String& data) override;
    bool loadCfg(Ogre::ConfigFile& config) override;
    float getHeigth(const Ogre::Vector2& position) override;

    void setOptions(const Options& options);

    // Vertex array handed to the mesh (6 floats a vertex in normal mode 1, 3 in
    // mode 2); null until the first create and after remove.
    float* mVertices;
    Options mOptions;
    Hydrax::Hydrax* mHydrax;
    physics::water::WaterSimulator* mWaterSimulator;

private:
    static Ogre::String getNormalModeName(const Hydrax::MaterialManager::NormalMode& mode);
    // The options with the water's own grid in place of a disagreeing one, and
    // the current complexity in place of one the mesh cannot have.
    Options agreeWithWater(const Options& options) const;
    int floatsPerVertex() const;
    void layOut();
    void calculateNormals();

    bool mMismatchLogged = false;
};
