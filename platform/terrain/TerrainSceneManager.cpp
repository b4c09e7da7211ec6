#include "platform/terrain/TerrainSceneManager.h"

#include <OgreImage.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreTechnique.h>

#include "platform/ResourceFileCheck.h"
#include "platform/terrain/ImageHeader.h"
#include "platform/terrain/TerrainConfig.h"
#include "platform/terrain/TerrainRaySceneQuery.h"
#include "platform/terrain/TerrainTiles.h"

namespace platform {

const Ogre::String TerrainSceneManager::TYPE_NAME = "TerrainSceneManager";
const Ogre::String TerrainSceneManager::NODE_NAME = "Terrain";

namespace {

const char* const SOURCE = "TerrainSceneManager::setWorldGeometry";

[[noreturn]] void refuse(Ogre::Exception::ExceptionCodes code, const std::string& fileName, const std::string& what)
{
    OGRE_EXCEPT(code, "terrain configuration \"" + fileName + "\": " + what, SOURCE);
}

// A file of the group that Ogre would open as a stream and that is no regular
// file: refused before the stream can wait on it for good.
void refuseIrregular(const std::string& group, const std::string& name, const std::string& fileName,
                     const std::string& what)
{
    const std::string irregular = irregularResource(group, name);
    if (!irregular.empty()) refuse(Ogre::Exception::ERR_INVALIDPARAMS, fileName, what + " " + irregular);
}

bool tooLarge(std::uint32_t width, std::uint32_t height)
{
    return width > TerrainSceneManager::MAX_HEIGHT_MAP_SIDE || height > TerrainSceneManager::MAX_HEIGHT_MAP_SIDE;
}

[[noreturn]] void refuseSize(const std::string& fileName, const std::string& what, std::uint32_t width,
                             std::uint32_t height)
{
    refuse(Ogre::Exception::ERR_INVALIDPARAMS, fileName,
           what + " of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels is larger than the terrain can use (at most " +
               std::to_string(TerrainSceneManager::MAX_HEIGHT_MAP_SIDE) + " per side)");
}

Ogre::Image loadHeightMap(const TerrainConfig& config, const std::string& fileName, const std::string& group)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    const std::string what = "key \"HeightMap\": image \"" + config.heightMap + "\"";
    if (!groups.resourceExists(group, config.heightMap))
        refuse(Ogre::Exception::ERR_FILE_NOT_FOUND, fileName, what + " not found in resource group \"" + group + "\"");
    refuseIrregular(group, config.heightMap, fileName, what);
    const auto cannotRead = [&](const std::string& why) {
        refuse(Ogre::Exception::ERR_INVALIDPARAMS, fileName, what + " cannot be read (" + why + ")");
    };

    // The pixels are decoded only once the header shows a size the terrain can use.
    Ogre::String extension;
    Ogre::String base;
    Ogre::StringUtil::splitBaseFilename(config.heightMap, base, extension);
    std::uint32_t width = 0, height = 0;
    bool sized = false;
    try {
        sized = readImageSize(*groups.openResource(config.heightMap, group), extension, width, height);
    } catch (const Ogre::Exception& e) {
        cannotRead(e.getDescription());
    }
    if (!sized) cannotRead(std::string("it has no ") + IMAGE_SIZE_KINDS + " header that gives its size");
    if (tooLarge(width, height)) refuseSize(fileName, what, width, height);

    Ogre::Image image;
    try {
        image.load(groups.openResource(config.heightMap, group), extension);
    } catch (const Ogre::Exception& e) {
        cannotRead(e.getDescription());
    }
    // What the decoder made of it counts, should it differ from the header.
    if (tooLarge(image.getWidth(), image.getHeight())) refuseSize(fileName, what, image.getWidth(), image.getHeight());
    if (image.getWidth() < 2 || image.getHeight() < 2 || image.getDepth() != 1)
        refuse(Ogre::Exception::ERR_INVALIDPARAMS, fileName, what + " is not a flat image of at least 2 x 2 pixels");
    return image;
}

// Lit (the scene's lights and ambient light shade it), textured, no shaders.
Ogre::MaterialPtr prepareMaterial(const std::string& name, const std::string& group, const std::string& texture)
{
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    Ogre::MaterialPtr material = materials.getByName(name, group);
    if (!material) material = materials.create(name, group);
    Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
    pass->setLightingEnabled(true);
    pass->setAmbient(1, 1, 1);
    pass->setDiffuse(1, 1, 1, 1);
    pass->setSpecular(0, 0, 0, 1);
    pass->removeAllTextureUnitStates();
    Ogre::TextureUnitState* unit = pass->createTextureUnitState(texture);
    unit->setTextureAddressingMode(Ogre::TextureUnitState::TAM_CLAMP);
    return material;
}

}  // namespace

TerrainSceneManager::TerrainSceneManager(const Ogre::String& name) : Ogre::SceneManager(name) {}

TerrainSceneManager::~TerrainSceneManager()
{
    // The base destroys the nodes and tiles; the material we made goes with us.
    if (Ogre::MaterialManager* materials = Ogre::MaterialManager::getSingletonPtr()) {
        const Ogre::String& group = Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME;
        if (Ogre::MaterialPtr material = materials->getByName(terrainMaterialName(), group))
            materials->remove(material);
    }
}

Ogre::String TerrainSceneManager::terrainMaterialName() const
{
    return getName() + "/Terrain";
}

void TerrainSceneManager::setWorldGeometry(const Ogre::String& filename)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    const std::string group = groups.getWorldResourceGroupName();
    if (!groups.resourceExists(group, filename))
        OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND,
                    "terrain configuration \"" + filename + "\" not found in resource group \"" + group + "\"",
                    SOURCE);
    const std::string irregular = irregularResource(group, filename);
    if (!irregular.empty())
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "terrain configuration \"" + filename + "\" " + irregular,
                    SOURCE);
    const TerrainConfig config = parseTerrainConfig(groups.openResource(filename, group)->getAsString(), filename);

    auto surface = std::make_unique<HeightField>(HeightField::fromImage(
        loadHeightMap(config, filename, group), config.worldSizeX, config.worldSizeZ, config.minHeight,
        config.maxHeight));
    // A custom material may come from any group's scripts.
    Ogre::MaterialPtr material;
    if (!config.customMaterial.empty()) {
        material = Ogre::MaterialManager::getSingleton().getByName(
            config.customMaterial, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
        if (!material)
            refuse(Ogre::Exception::ERR_ITEM_NOT_FOUND, filename,
                   "key \"CustomMaterialName\": no material \"" + config.customMaterial + "\"");
    } else if (!groups.resourceExists(group, config.texture)) {
        refuse(Ogre::Exception::ERR_FILE_NOT_FOUND, filename,
               "key \"Texture\": image \"" + config.texture + "\" not found in resource group \"" + group + "\"");
    } else {
        // Loaded by the first frame that draws the terrain, where a FIFO would stop it.
        refuseIrregular(group, config.texture, filename, "key \"Texture\": image \"" + config.texture + "\"");
    }

    // Everything is read: from here on the scene changes.
    destroyTerrain();
    if (!material) material = prepareMaterial(terrainMaterialName(), group, config.texture);
    mTerrainNode = getRootSceneNode()->createChildSceneNode(NODE_NAME);
    for (Ogre::ManualObject* tile : createTerrainTiles(*this, *surface, material, getName() + "/TerrainTile")) {
        mTerrainNode->attachObject(tile);
        mTiles.push_back(tile);
    }
    mHeightField = std::move(surface);

    Ogre::LogManager::getSingleton().stream()
        << "TerrainSceneManager " << getName() << ": \"" << filename << "\", " << mHeightField->samplesX() << " x "
        << mHeightField->samplesZ() << " samples over " << mHeightField->sizeX() << " x " << mHeightField->sizeZ()
        << ", heights " << mHeightField->minimum() << " to " << mHeightField->maximum() << ", " << mTiles.size()
        << " tiles, material \"" << material->getName() << "\"";
}

Ogre::RaySceneQuery* TerrainSceneManager::createRayQuery(const Ogre::Ray& ray, Ogre::uint32 mask)
{
    TerrainRaySceneQuery* query = OGRE_NEW TerrainRaySceneQuery(this);
    query->setRay(ray);
    query->setQueryMask(mask);
    query->setSortByDistance(true);
    return query;
}

void TerrainSceneManager::clearScene()
{
    Ogre::SceneManager::clearScene();
    // The base has destroyed the node and the tiles.
    mTerrainNode = nullptr;
    mTiles.clear();
    mHeightField.reset();
}

void TerrainSceneManager::destroyTerrain()
{
    for (Ogre::MovableObject* tile : mTiles) destroyMovableObject(tile);
    mTiles.clear();
    if (mTerrainNode) destroySceneNode(mTerrainNode);
    mTerrainNode = nullptr;
    mHeightField.reset();
}

Ogre::SceneManager* TerrainSceneManagerFactory::createInstance(const Ogre::String& instanceName)
{
    return OGRE_NEW TerrainSceneManager(instanceName);
}

void TerrainSceneManagerFactory::destroyInstance(Ogre::SceneManager* instance)
{
    OGRE_DELETE instance;
}

void TerrainSceneManagerFactory::initMetaData() const
{
    mMetaData.typeName = TerrainSceneManager::TYPE_NAME;
    mMetaData.worldGeometrySupported = true;
}

}  // namespace platform
