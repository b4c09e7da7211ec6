#pragma once
// The water's material, built in code for the fixed-function pipeline: lit by
// the sun, blue-green, semi-transparent without depth writes, both sides drawn,
// with the sun's highlights and, while the scene has a cube-textured sky box,
// a blend of that sky reflected. And the depth techniques that other materials
// (the terrain's) carry for the layer.
#include <OgreConfigFile.h>
#include <OgreMaterial.h>
#include <OgreTechnique.h>
#include <OgreVector.h>

#include <vector>

namespace Hydrax {

class Hydrax;

class MaterialManager {
public:
    // How the module gives the surface its normals.
    enum NormalMode {
        NM_VERTEX = 1,  // per vertex, handed with the positions
        NM_RTT = 2      // from a normal map (here: derived by the mesh from the grid)
    };

    // Configuration keys: "WaterColor" (three numbers), "WaterAlpha",
    // "Shininess", "SkyReflection", "SkyReflectionStrength".
    struct Options {
        // Colour of the water, 0.6 of it its own glow, 0.3 lit by the scene's
        // ambient light, 0.5 by the sun.
        Ogre::Vector3 WaterColor;
        // Opacity, 0 to 1.
        float WaterAlpha;
        // Exponent of the sun's highlights.
        float Shininess;
        // Whether the sky box is reflected.
        bool SkyReflection;
        // Share of the reflected sky in the colour looking straight down, 0 to
        // 1; it grows to all of it towards grazing views.
        float SkyReflectionStrength;

        Options()
            : WaterColor(0.0f, 0.34f, 0.38f), WaterAlpha(0.8f), Shininess(100.0f), SkyReflection(true),
              SkyReflectionStrength(0.35f)
        {
        }
    };

    // The scheme under which depth techniques are added; the viewports draw the
    // default scheme, so a material keeps drawing with its own techniques.
    static const Ogre::String DEPTH_SCHEME;

    explicit MaterialManager(Hydrax* hydrax);
    ~MaterialManager();
    MaterialManager(const MaterialManager&) = delete;
    MaterialManager& operator=(const MaterialManager&) = delete;

    // Builds the water material, or builds it again with the current options.
    void createMaterials();
    void removeMaterials();
    bool isCreated() const { return bool(mMaterial); }
    const Ogre::MaterialPtr& getMaterial() const { return mMaterial; }

    // Turns the technique (new, of another material) into a depth view of that
    // material under DEPTH_SCHEME: unlit, grey by distance from the camera, white
    // at the camera's far clip distance. With autoUpdate its range follows the
    // camera every update. A null technique is logged and ignored.
    void addDepthTechnique(Ogre::Technique* technique, const bool& autoUpdate = true);

    // Follows the sun's colour, the camera's range and the scene's sky box.
    void update();

    void setOptions(const Options& options);
    const Options& getOptions() const { return mOptions; }
    void saveCfg(Ogre::String& data) const;
    void loadCfg(Ogre::ConfigFile& config);

    // The cube texture reflected now; empty for none.
    const Ogre::String& getSkyReflectionTexture() const { return mReflectedSky; }

private:
    struct DepthTechnique {
        Ogre::MaterialPtr material;
        Ogre::Technique* technique;
        bool autoUpdate;
    };

    void fillWaterPass(Ogre::Pass* pass);
    void setReflection(const Ogre::String& cubeTexture);
    Ogre::String skyBoxCubeTexture() const;
    void fillDepthPass(Ogre::Pass* pass) const;

    Hydrax* mHydrax;
    Options mOptions;
    Ogre::MaterialPtr mMaterial;
    Ogre::String mReflectedSky;
    std::vector<DepthTechnique> mDepthTechniques;
    Ogre::Real mDepthRange = 0;
};

}  // namespace Hydrax
