// The media that the programs read (the generated mesh and texture, the hand-written
// scripts), read back the way the programs read them.
#include <Ogre.h>
#include <Overlay/OgreFontManager.h>
#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "HeadlessOgre.h"

namespace {

Ogre::MeshPtr loadSphere()
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    if (!groups.resourceGroupExists("GeneratedMedia")) {
        groups.addResourceLocation(MARROWFIELD_MEDIA_DIR "/meshes", "FileSystem", "GeneratedMedia");
        groups.initialiseResourceGroup("GeneratedMedia");
    }
    return Ogre::MeshManager::getSingleton().load("sphere.mesh", "GeneratedMedia");
}

// Sphere nodes take their scale from the mesh's box: it must be the sphere's own.
TEST(Media, SphereMeshIsAUnitSphereCentredInItsBox)
{
    Ogre::MeshPtr mesh = loadSphere();
    EXPECT_EQ(mesh->getBounds().getMinimum(), Ogre::Vector3(-1, -1, -1));
    EXPECT_EQ(mesh->getBounds().getMaximum(), Ogre::Vector3(1, 1, 1));
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    Ogre::SubMesh* sub = mesh->getSubMesh(0);
    Ogre::VertexData* data = sub->vertexData;
    const Ogre::VertexElement* position = data->vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
    ASSERT_NE(position, nullptr);
    Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(position->getSource());
    std::vector<float> p(data->vertexCount * 3);
    ASSERT_EQ(buffer->getVertexSize(), 3 * sizeof(float));
    buffer->readData(0, p.size() * sizeof(float), p.data());
    for (std::size_t v = 0; v < data->vertexCount; ++v)
        EXPECT_NEAR(Ogre::Vector3(&p[3 * v]).length(), 1.0f, 1e-6f) << "vertex " << v;

    // Outward winding: every face normal points away from the centre.
    std::vector<std::uint16_t> indices(sub->indexData->indexCount);
    ASSERT_EQ(sub->indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_16BIT);
    sub->indexData->indexBuffer->readData(0, indices.size() * 2, indices.data());
    ASSERT_FALSE(indices.empty());
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
        const Ogre::Vector3 a(&p[3 * indices[t]]), b(&p[3 * indices[t + 1]]), c(&p[3 * indices[t + 2]]);
        EXPECT_GT((b - a).crossProduct(c - a).dotProduct(a + b + c), 0.0f) << "triangle " << t / 3;
    }
}

std::vector<float> readFloat3(Ogre::VertexData* data, Ogre::VertexElementSemantic semantic)
{
    const Ogre::VertexElement* element = data->vertexDeclaration->findElementBySemantic(semantic);
    EXPECT_NE(element, nullptr);
    if (!element) return {};
    Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(element->getSource());
    EXPECT_EQ(buffer->getVertexSize(), 3 * sizeof(float));
    std::vector<float> values(data->vertexCount * 3);
    buffer->readData(0, values.size() * sizeof(float), values.data());
    return values;
}

// The palm's materials are found when it is loaded.
Ogre::MeshPtr loadPalm()
{
    loadSphere();  // the generated meshes' group
    if (!Ogre::MaterialManager::getSingleton().resourceExists("Palm/Trunk", "GeneratedMedia")) {
        std::ifstream script(MARROWFIELD_SCRIPTS_DIR "/materials/Palm.material", std::ios::binary);
        Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&script, false));
        Ogre::MaterialManager::getSingleton().parseScript(stream, "GeneratedMedia");
    }
    return Ogre::MeshManager::getSingleton().load("Palm.mesh", "GeneratedMedia");
}

// seaview stands each palm up with a quarter turn about (-1, 0, tilt), tilt
// within 0.3, and scales it by 50 to 75: the trunk must run along +z from the
// origin and the whole palm be about one unit long, so that it stands 50 to 75
// units tall on its base.
TEST(Media, PalmStandsUpUnderTheQuarterTurn)
{
    Ogre::MeshPtr mesh = loadPalm();
    ASSERT_EQ(mesh->getNumSubMeshes(), 2u);
    EXPECT_EQ(mesh->getSubMesh(0)->getMaterialName(), "Palm/Trunk");
    EXPECT_EQ(mesh->getSubMesh(1)->getMaterialName(), "Palm/Fronds");
    EXPECT_EQ(mesh->getBounds().getMinimum().z, 0.0f);

    for (const float tilt : {-0.3f, 0.0f, 0.3f}) {
        Ogre::Quaternion turn;
        turn.FromAngleAxis(Ogre::Degree(90), Ogre::Vector3(-1, 0, tilt));
        turn.normalise();
        float top = -1e9f, bottom = 1e9f;
        Ogre::Vector3 base = Ogre::Vector3::ZERO;
        for (unsigned short i = 0; i < 2; ++i) {
            const std::vector<float> p = readFloat3(mesh->getSubMesh(i)->vertexData, Ogre::VES_POSITION);
            for (std::size_t v = 0; 3 * v < p.size(); ++v) {
                const Ogre::Vector3 world = turn * Ogre::Vector3(&p[3 * v]);
                top = std::max(top, world.y);
                if (world.y < bottom) {
                    bottom = world.y;
                    base = world;
                }
            }
        }
        EXPECT_NEAR(bottom, 0.0f, 0.01f) << "tilt " << tilt;  // the trunk's foot, at the origin
        EXPECT_LT(base.length(), 0.05f) << "tilt " << tilt;
        EXPECT_GE(top, 0.95f) << "tilt " << tilt;
        EXPECT_LE(top, 1.05f) << "tilt " << tilt;
    }
}

// Lit from its normals, each side of a frond must face where its normals point.
TEST(Media, PalmNormalsAreUnitAndFaceTheirTriangles)
{
    Ogre::MeshPtr mesh = loadPalm();
    for (unsigned short i = 0; i < mesh->getNumSubMeshes(); ++i) {
        Ogre::SubMesh* sub = mesh->getSubMesh(i);
        const std::vector<float> p = readFloat3(sub->vertexData, Ogre::VES_POSITION);
        const std::vector<float> n = readFloat3(sub->vertexData, Ogre::VES_NORMAL);
        ASSERT_EQ(p.size(), n.size());
        for (std::size_t v = 0; 3 * v < n.size(); ++v)
            EXPECT_NEAR(Ogre::Vector3(&n[3 * v]).length(), 1.0f, 1e-5f) << "submesh " << i << " vertex " << v;
        std::vector<std::uint16_t> indices(sub->indexData->indexCount);
        ASSERT_EQ(sub->indexData->indexBuffer->getType(), Ogre::HardwareIndexBuffer::IT_16BIT);
        sub->indexData->indexBuffer->readData(0, indices.size() * 2, indices.data());
        for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
            const Ogre::Vector3 a(&p[3 * indices[t]]), b(&p[3 * indices[t + 1]]), c(&p[3 * indices[t + 2]]);
            const Ogre::Vector3 face = (b - a).crossProduct(c - a);
            if (face.squaredLength() < 1e-12f) continue;  // no area, no side
            const Ogre::Vector3 normals = Ogre::Vector3(&n[3 * indices[t]]) + Ogre::Vector3(&n[3 * indices[t + 1]]) +
                                          Ogre::Vector3(&n[3 * indices[t + 2]]);
            EXPECT_GT(face.dotProduct(normals), 0.0f) << "submesh " << i << " triangle " << t / 3;
        }
    }
}

TEST(Media, RockwallTextureIsASquarePowerOfTwo)
{
    Ogre::Image image;
    std::ifstream file(MARROWFIELD_MEDIA_DIR "/textures/rockwall.png", std::ios::binary);
    Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&file, false));
    image.load(stream, "png");
    EXPECT_EQ(image.getWidth(), 256u);
    EXPECT_EQ(image.getHeight(), 256u);
}

// The scripts are parsed when their group is initialised: a misspelt name leaves
// a material, the overlay or one of its elements missing without stopping a program.
TEST(Media, ScriptsDefineTheMaterialsAndTheStatisticsOverlay)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    for (const char* location : {MARROWFIELD_SCRIPTS_DIR "/materials", MARROWFIELD_SCRIPTS_DIR "/overlays",
                                 MARROWFIELD_FONT_DIR, MARROWFIELD_MEDIA_DIR "/textures"})
        groups.addResourceLocation(location, "FileSystem", "ProgramScripts");
    groups.initialiseResourceGroup("ProgramScripts");

    for (const char* name : {"Examples/Rockwall", "Examples/Bunny", "Palm/Trunk", "Palm/Fronds"})
        EXPECT_TRUE(Ogre::MaterialManager::getSingleton().resourceExists(name, "ProgramScripts")) << name;
    Ogre::MaterialPtr rockwall = Ogre::MaterialManager::getSingleton().getByName("Examples/Rockwall", "ProgramScripts");
    ASSERT_TRUE(rockwall);
    EXPECT_EQ(rockwall->getTechnique(0)->getPass(0)->getTextureUnitState(0)->getTextureName(), "rockwall.png");

    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    EXPECT_NE(overlays.getByName("Core/DebugOverlay"), nullptr);
    for (const char* name : {"Core/AverageFps", "Core/CurrFps", "Core/BestFps", "Core/WorstFps", "Core/NumTris",
                             "Core/NumBatches", "Core/DebugText"}) {
        ASSERT_TRUE(overlays.hasOverlayElement(name)) << name;
        EXPECT_EQ(overlays.getOverlayElement(name)->getTypeName(), "TextArea") << name;
    }
    EXPECT_TRUE(Ogre::FontManager::getSingleton().resourceExists("DebugFont", "ProgramScripts"));
}

}  // namespace
