#include "platform/hydrax/MaterialManager.h"

#include <OgreManualObject.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreTextureUnitState.h>

#include <algorithm>

#include "platform/hydrax/CfgFileManager.h"
#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Log.h"

namespace Hydrax {

const Ogre::String MaterialManager::DEPTH_SCHEME = "HydraxDepth";

MaterialManager::MaterialManager(Hydrax* hydrax) : mHydrax(hydrax) {}

MaterialManager::~MaterialManager() { removeMaterials(); }

void MaterialManager::createMaterials()
{
    if (!mMaterial) {
        mMaterial = Ogre::MaterialManager::getSingleton().create(
            mHydrax->getPrefix() + "/Water", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    }
    mMaterial->removeAllTechniques();
    mMaterial->setReceiveShadows(false);
    Ogre::Technique* technique = mMaterial->createTechnique();
    fillWaterPass(technique->createPass());
    mReflectedSky.clear();
    setReflection(skyBoxCubeTexture());
    mMaterial->load();
}

void MaterialManager::removeMaterials()
{
    if (!mMaterial) return;
    Ogre::MaterialManager::getSingleton().remove(mMaterial);
    mMaterial.reset();
    mReflectedSky.clear();
}

void MaterialManager::fillWaterPass(Ogre::Pass* pass)
{
    const Ogre::Vector3& c = mOptions.WaterColor;
    const Ogre::Vector3& sun = mHydrax->getSunColor();
    pass->setLightingEnabled(true);
    // Water shows its colour by the light it scatters from its depth, lit or
    // not: most of it glows, the rest follows the sun and the scene's ambient light.
    pass->setSelfIllumination(Ogre::ColourValue(c.x * 0.6f, c.y * 0.6f, c.z * 0.6f));
    pass->setAmbient(Ogre::ColourValue(c.x * 0.3f, c.y * 0.3f, c.z * 0.3f));
    pass->setDiffuse(Ogre::ColourValue(c.x * 0.5f, c.y * 0.5f, c.z * 0.5f, mOptions.WaterAlpha));
    pass->setSpecular(Ogre::ColourValue(sun.x, sun.y, sun.z, 1.0f));
    pass->setShininess(mOptions.Shininess);
    pass->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    pass->setDepthWriteEnabled(false);
    // Seen from above and from below.
    pass->setCullingMode(Ogre::CULL_NONE);
    pass->setManualCullingMode(Ogre::MANUAL_CULL_NONE);
}

// The sky box's cube texture as one cube map: a sky box of six separate faces
// ("name_fr.png" ... "name_dn.png", as cubic_texture ... separateUV names them)
// reflects "name.png", whose faces the texture manager finds by the same
// suffixes; a sky box drawn from a cube map reflects that map.
Ogre::String MaterialManager::skyBoxCubeTexture() const
{
    Ogre::SceneManager* scene = mHydrax->getSceneManager();
    if (!scene->isSkyBoxEnabled() || !scene->getSkyBoxNode()) return "";
    Ogre::SceneNode* node = scene->getSkyBoxNode();
    if (node->numAttachedObjects() == 0) return "";
    Ogre::ManualObject* box = dynamic_cast<Ogre::ManualObject*>(node->getAttachedObject(0));
    if (!box || box->getNumSections() == 0) return "";
    const Ogre::MaterialPtr& material = box->getSection(0)->getMaterial();
    if (!material || material->getNumTechniques() == 0) return "";
    Ogre::Technique* technique = material->getTechnique(0);
    if (technique->getNumPasses() == 0 || technique->getPass(0)->getNumTextureUnitStates() == 0) return "";
    const Ogre::TextureUnitState* unit = technique->getPass(0)->getTextureUnitState(0);
    if (unit->getTextureType() == Ogre::TEX_TYPE_CUBE_MAP) return unit->getTextureName();
    if (unit->getNumFrames() != 6) return "";
    Ogre::String base, extension;
    Ogre::StringUtil::splitBaseFilename(unit->getFrameTextureName(0), base, extension);
    if (base.size() < 3 || base.compare(base.size() - 3, 3, "_fr") != 0) return "";
    return base.substr(0, base.size() - 3) + "." + extension;
}

void MaterialManager::setReflection(const Ogre::String& cubeTexture)
{
    const Ogre::String wanted = mOptions.SkyReflection ? cubeTexture : Ogre::String();
    if (wanted == mReflectedSky && mMaterial->getTechnique(0)->getPass(0)->getNumTextureUnitStates() ==
                                       (wanted.empty() ? 0u : 1u))
        return;
    Ogre::Pass* pass = mMaterial->getTechnique(0)->getPass(0);
    pass->removeAllTextureUnitStates();
    pass->setVertexColourTracking(Ogre::TVC_NONE);
    mReflectedSky = wanted;
    if (wanted.empty()) return;
    // The mesh's vertex colours carry the water's diffuse colour and, as alpha,
    // the share of the sky reflected there; the opacity is the material's.
    pass->setVertexColourTracking(Ogre::TVC_DIFFUSE);
    Ogre::TextureUnitState* unit = pass->createTextureUnitState();
    unit->setCubicTextureName(wanted, true);
    unit->setEnvironmentMap(true, Ogre::TextureUnitState::ENV_REFLECTION);
    unit->setTextureAddressingMode(Ogre::TextureUnitState::TAM_CLAMP);
    unit->setColourOperationEx(Ogre::LBX_BLEND_DIFFUSE_ALPHA, Ogre::LBS_TEXTURE, Ogre::LBS_CURRENT);
    unit->setAlphaOperation(Ogre::LBX_SOURCE1, Ogre::LBS_MANUAL, Ogre::LBS_CURRENT, mOptions.WaterAlpha);
    log("The water reflects the sky " + wanted + ".");
}

void MaterialManager::addDepthTechnique(Ogre::Technique* technique, const bool& autoUpdate)
{
    if (!technique) {
        log("A depth technique was asked for without a technique; nothing was added.");
        return;
    }
    technique->setSchemeName(DEPTH_SCHEME);
    technique->removeAllPasses();
    fillDepthPass(technique->createPass());
    Ogre::Material* parent = technique->getParent();
    Ogre::MaterialPtr material =
        parent ? Ogre::MaterialManager::getSingleton().getByName(parent->getName(), parent->getGroup())
               : Ogre::MaterialPtr();
    mDepthTechniques.push_back({material, technique, autoUpdate});
    log("Depth technique added to " + (parent ? parent->getName() : Ogre::String("a material")) + ".");
}

// Black when lit, so that only the fog, white at the far clip distance, shows.
void MaterialManager::fillDepthPass(Ogre::Pass* pass) const
{
    pass->setLightingEnabled(true);
    pass->setAmbient(Ogre::ColourValue::Black);
    pass->setDiffuse(Ogre::ColourValue::Black);
    pass->setSpecular(Ogre::ColourValue::Black);
    pass->setSelfIllumination(Ogre::ColourValue::Black);
    Ogre::Camera* camera = mHydrax->getCamera();
    const Ogre::Real range = camera && camera->getFarClipDistance() > 0 ? camera->getFarClipDistance() : 10000;
    pass->setFog(true, Ogre::FOG_LINEAR, Ogre::ColourValue::White, 0, 0, range);
}

void MaterialManager::update()
{
    if (!mMaterial) return;
    const Ogre::Vector3& sun = mHydrax->getSunColor();
    Ogre::Pass* pass = mMaterial->getTechnique(0)->getPass(0);
    pass->setSpecular(Ogre::ColourValue(sun.x, sun.y, sun.z, 1.0f));
    setReflection(skyBoxCubeTexture());

    Ogre::Camera* camera = mHydrax->getCamera();
    const Ogre::Real range = camera ? camera->getFarClipDistance() : 0;
    if (range == mDepthRange) return;
    mDepthRange = range;
    for (const DepthTechnique& depth : mDepthTechniques) {
        if (!depth.autoUpdate || !depth.material) continue;
        const Ogre::Material::Techniques& techniques = depth.material->getTechniques();
        // Only while the material still has it (a reloaded material may hold
        // another technique at the same address: ours is of the depth scheme).
        if (std::find(techniques.begin(), techniques.end(), depth.technique) == techniques.end()) continue;
        if (depth.technique->getSchemeName() != DEPTH_SCHEME) continue;
        if (depth.technique->getNumPasses() > 0) fillDepthPass(depth.technique->getPass(0));
    }
}

void MaterialManager::setOptions(const Options& options)
{
    Options o = options;
    o.WaterAlpha = Ogre::Math::Clamp(o.WaterAlpha, 0.0f, 1.0f);
    o.SkyReflectionStrength = Ogre::Math::Clamp(o.SkyReflectionStrength, 0.0f, 1.0f);
    o.Shininess = std::max(o.Shininess, 0.0f);
    mOptions = o;
    if (mMaterial) createMaterials();
}

void MaterialManager::saveCfg(Ogre::String& data) const
{
    data += CfgFileManager::_getCfgString("WaterColor", mOptions.WaterColor);
    data += CfgFileManager::_getCfgString("WaterAlpha", mOptions.WaterAlpha);
    data += CfgFileManager::_getCfgString("Shininess", mOptions.Shininess);
    data += CfgFileManager::_getCfgString("SkyReflection", mOptions.SkyReflection);
    data += CfgFileManager::_getCfgString("SkyReflectionStrength", mOptions.SkyReflectionStrength);
}

void MaterialManager::loadCfg(Ogre::ConfigFile& config)
{
    Options o;
    o.WaterColor = CfgFileManager::_getVector3Value(config, "WaterColor", mOptions.WaterColor);
    o.WaterAlpha = CfgFileManager::_getFloatValue(config, "WaterAlpha", mOptions.WaterAlpha);
    o.Shininess = CfgFileManager::_getFloatValue(config, "Shininess", mOptions.Shininess);
    o.SkyReflection = CfgFileManager::_getBoolValue(config, "SkyReflection", mOptions.SkyReflection);
    o.SkyReflectionStrength =
        CfgFileManager::_getFloatValue(config, "SkyReflectionStrength", mOptions.SkyReflectionStrength);
    setOptions(o);
}

}  // namespace Hydrax
