#pragma once
// A sea to the horizon: a grid laid over the camera's view of a plane and
// displaced by the noise. Every update the grid's columns are spread across the
// view (a little beyond its edges, so that crests at the edges leave no gaps)
// and its rows from the view's edge nearest the plane up to the horizon, evenly
// on the screen, which makes the rows lie closer together near the camera and
// further apart towards the horizon. The row at the horizon, and every point
// beyond the reach (nine tenths of the camera's far clip distance), lies at
// the reach. The noise is sampled at each vertex's place on the plane, without
// the detail finer than the grid is there, so that the waves stand still in
// the world however the camera moves, and the distant sea is smooth.
#include <OgrePlane.h>

#include <vector>

#include "platform/hydrax/Module/Module.h"

namespace Hydrax {

class Hydrax;

namespace Module {

class ProjectedGrid : public Module {
public:
    // Configuration keys "PG_" followed by the field's name.
    struct Options {
        // Vertices per side of the grid.
        int Complexity;
        // World units a unit of the noise spans: the size of the largest waves.
        float WaveLength;
        // How far the water gathers towards the crests, in percent of Height.
        float ChoppyStrength;
        // Normals averaged with their neighbours' (softer light).
        bool Smooth;
        // The waves stand still.
        bool Freeze;
        // Whether the water gathers towards the crests at all.
        bool ChoppyWaves;
        // Height of the highest crests above the plane, world units.
        float Height;

        Options()
            : Complexity(128), WaveLength(35.0f), ChoppyStrength(50.0f), Smooth(false), Freeze(false),
              ChoppyWaves(true), Height(3.75f)
        {
        }
        Options(int complexity, float waveLength, float choppyStrength, bool smooth, bool freeze, bool choppyWaves,
                float height)
            : Complexity(complexity), WaveLength(waveLength), ChoppyStrength(choppyStrength), Smooth(smooth),
              Freeze(freeze), ChoppyWaves(choppyWaves), Height(height)
        {
        }
    };

    ProjectedGrid(Hydrax* hydrax, Noise::Noise* noise, const Ogre::Plane& basePlane,
                  const MaterialManager::NormalMode& normalMode, const Options& options);
    ~ProjectedGrid() override;

    void create() override;
    void remove() override;
    void update(const Ogre::Real& timeSinceLastFrame) override;
    void saveCfg(Ogre::String& data) override;
    bool loadCfg(Ogre::ConfigFile& config) override;
    float getHeigth(const Ogre::Vector2& position) override;

    // Options out of range (complexity outside the mesh's limits, a wave length
    // that is not positive, a negative height or choppiness) are refused with a
    // log line (false). A new complexity builds the grid and the mesh again.
    bool setOptions(const Options& options);
    const Options& getOptions() const { return mOptions; }
    const Ogre::Plane& getBasePlane() const { return mBasePlane; }

    // The vertex array last handed to the mesh.
    const std::vector<float>& getVertices() const { return mVertices; }

private:
    void project();
    void displace();
    void calculateNormals();
    // World point of the plane under (or over) a world x, z.
    Ogre::Vector3 planePoint(float x, float z) const;

    Hydrax* mHydrax;
    Options mOptions;
    Ogre::Plane mBasePlane;
    // Two unit vectors along the plane: the noise's axes.
    Ogre::Vector3 mAxisU, mAxisV;
    std::vector<Ogre::Vector3> mPlanePoints;
    std::vector<float> mSpacing;
    std::vector<Ogre::Vector3> mPositions;
    std::vector<Ogre::Vector3> mNormals;
    std::vector<Ogre::Vector3> mSharp;  // the unit normals before smoothing, kept between frames
    std::vector<float> mVertices;
};

}  // namespace Module
}  // namespace Hydrax
