#include "platform/hydrax/Mesh.h"

#include <OgreHardwareBufferManager.h>
#include <OgreMeshManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <OgreSubMesh.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/hydrax/Hydrax.h"
#include "platform/hydrax/Log.h"

namespace Hydrax {

namespace {

const std::size_t FLOATS_DRAWN = 6;  // position and normal of every drawn vertex

// v / |v|, computed in double; a vector of no length or no finite length gives `fallback`.
Ogre::Vector3 unitOr(double x, double y, double z, const Ogre::Vector3& fallback)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return fallback;
    return Ogre::Vector3(float(x / length), float(y / length), float(z / length));
}

}  // namespace

Mesh::Mesh(Hydrax* hydrax) : mHydrax(hydrax) {}

Mesh::~Mesh() { remove(); }

void Mesh::setOptions(const Options& options)
{
    if (options.MeshComplexity < MIN_COMPLEXITY || options.MeshComplexity > MAX_COMPLEXITY) {
        log("A mesh of complexity " + Ogre::StringConverter::toString(options.MeshComplexity) +
            " is refused: it must lie between " + Ogre::StringConverter::toString(MIN_COMPLEXITY) + " and " +
            Ogre::StringConverter::toString(MAX_COMPLEXITY) + ".");
        return;
    }
    if (options.MeshVertexType != VT_POSITION_NORMAL && options.MeshVertexType != VT_POSITION) {
        log("A mesh of vertex type " + Ogre::StringConverter::toString(options.MeshVertexType) + " is refused.");
        return;
    }
    mOptions = options;
}

void Mesh::create()
{
    if (mCreated) return;
    const std::uint32_t n = std::uint32_t(mOptions.MeshComplexity);
    const std::uint32_t numVertices = n * n;

    mMesh = Ogre::MeshManager::getSingleton().createManual(mHydrax->getPrefix() + "/Mesh",
                                                            Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    Ogre::SubMesh* sub = mMesh->createSubMesh();
    sub->useSharedVertices = false;
    sub->operationType = Ogre::RenderOperation::OT_TRIANGLE_LIST;
    sub->vertexData = OGRE_NEW Ogre::VertexData();
    sub->vertexData->vertexStart = 0;
    sub->vertexData->vertexCount = numVertices;
    Ogre::VertexDeclaration* declaration = sub->vertexData->vertexDeclaration;
    declaration->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
    declaration->addElement(0, 3 * sizeof(float), Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
    declaration->addElement(1, 0, Ogre::VET_UBYTE4_NORM, Ogre::VES_DIFFUSE);
    // Rewritten whole every frame: the driver may hand out fresh storage each time.
    Ogre::HardwareBufferManager& buffers = Ogre::HardwareBufferManager::getSingleton();
    mVertexBuffer = buffers.createVertexBuffer(FLOATS_DRAWN * sizeof(float), numVertices,
                                               Ogre::HardwareBuffer::HBU_DYNAMIC_WRITE_ONLY_DISCARDABLE, false);
    mColourBuffer =
        buffers.createVertexBuffer(4, numVertices, Ogre::HardwareBuffer::HBU_DYNAMIC_WRITE_ONLY_DISCARDABLE, false);
    sub->vertexData->vertexBufferBinding->setBinding(0, mVertexBuffer);
    sub->vertexData->vertexBufferBinding->setBinding(1, mColourBuffer);
    createIndexBuffer(sub->indexData);

    // Flat at height 0, centred on the node, lit from above, until the module
    // hands its first array.
    mStaging.assign(FLOATS_DRAWN * numVertices, 0.0f);
    mColours.assign(4 * std::size_t(numVertices), 0);
    const float width = float(mOptions.MeshSize.Width), height = float(mOptions.MeshSize.Height);
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::uint32_t j = 0; j < n; ++j) {
            float* v = &mStaging[FLOATS_DRAWN * (std::size_t(i) * n + j)];
            v[0] = float(double(i) / (n - 1) * width - width * 0.5);
            v[2] = float(double(j) / (n - 1) * height - height * 0.5);
            v[4] = 1.0f;
        }
    }
    writeVertices();

    mMesh->load();
    Ogre::SceneManager* sceneManager = mHydrax->getSceneManager();
    mEntity = sceneManager->createEntity(mHydrax->getPrefix() + "/Entity", mMesh->getName(), mMesh->getGroup());
    mEntity->setCastShadows(false);
    mEntity->setListener(&mLightListener);
    if (!mMaterialName.empty()) mEntity->setMaterialName(mMaterialName);
    mHydrax->getSceneNode()->attachObject(mEntity);
    mCreated = true;
}

// Two triangles a cell, (v00, v01, v10) and (v01, v11, v10) with vij the vertex
// (i + first index step, j + second): both turn from the second axis to the first.
void Mesh::createIndexBuffer(Ogre::IndexData* indexData)
{
    const std::uint32_t n = std::uint32_t(mOptions.MeshComplexity);
    const std::size_t numIndices = 6 * std::size_t(n - 1) * (n - 1);
    // 16-bit indices reach vertex 65,535.
    const bool wide = std::size_t(n) * n > 65536;
    mIndexBuffer = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        wide ? Ogre::HardwareIndexBuffer::IT_32BIT : Ogre::HardwareIndexBuffer::IT_16BIT, numIndices,
        Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
    std::vector<std::uint32_t> indices;
    indices.reserve(numIndices);
    for (std::uint32_t i = 0; i + 1 < n; ++i) {
        for (std::uint32_t j = 0; j + 1 < n; ++j) {
            const std::uint32_t v00 = i * n + j, v01 = v00 + 1, v10 = v00 + n, v11 = v10 + 1;
            indices.insert(indices.end(), {v00, v01, v10, v01, v11, v10});
        }
    }
    if (wide) {
        mIndexBuffer->writeData(0, mIndexBuffer->getSizeInBytes(), indices.data(), true);
    } else {
        const std::vector<std::uint16_t> narrow(indices.begin(), indices.end());
        mIndexBuffer->writeData(0, mIndexBuffer->getSizeInBytes(), narrow.data(), true);
    }
    indexData->indexBuffer = mIndexBuffer;
    indexData->indexStart = 0;
    indexData->indexCount = numIndices;
}

void Mesh::remove()
{
    if (!mCreated) return;
    if (mEntity) {
        mEntity->detachFromParent();
        mHydrax->getSceneManager()->destroyEntity(mEntity);
        mEntity = nullptr;
    }
    Ogre::MeshManager::getSingleton().remove(mMesh);
    mMesh.reset();
    mVertexBuffer.reset();
    mColourBuffer.reset();
    mIndexBuffer.reset();
    mStaging.clear();
    mStaging.shrink_to_fit();
    mColours.clear();
    mColours.shrink_to_fit();
    mCreated = false;
}

void Mesh::setMaterialName(const Ogre::String& name)
{
    mMaterialName = name;
    if (mEntity && !name.empty()) mEntity->setMaterialName(name);
}

bool Mesh::updateGeometry(const int& numVertices, const void* vertices)
{
    const int n = mOptions.MeshComplexity;
    if (!mCreated || !vertices || numVertices != n * n) {
        if (!mRefusalLogged) {
            log(mCreated ? "The mesh draws " + Ogre::StringConverter::toString(n * n) + " vertices; an array of " +
                               Ogre::StringConverter::toString(numVertices) + " is refused."
                         : "The mesh is not created; its geometry cannot be updated.");
            mRefusalLogged = true;
        }
        return false;
    }
    mRefusalLogged = false;
    if (mOptions.MeshVertexType == VT_POSITION)
        fillFromPositions(static_cast<const float*>(vertices));
    else
        fillFromPositionsAndNormals(static_cast<const float*>(vertices));
    writeVertices();
    return true;
}

void Mesh::fillFromPositionsAndNormals(const float* vertices)
{
    const std::size_t count = std::size_t(mOptions.MeshComplexity) * mOptions.MeshComplexity;
    for (std::size_t k = 0; k < count; ++k) {
        const float* in = vertices + 6 * k;
        float* out = &mStaging[FLOATS_DRAWN * k];
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        // Handed into the water; drawn out of it.
        const Ogre::Vector3 normal = unitOr(-double(in[3]), -double(in[4]), -double(in[5]), Ogre::Vector3::UNIT_Y);
        out[3] = normal.x;
        out[4] = normal.y;
        out[5] = normal.z;
    }
}

void Mesh::fillFromPositions(const float* vertices)
{
    const int n = mOptions.MeshComplexity;
    auto at = [&](int i, int j) { return vertices + 3 * (std::size_t(i) * n + j); };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const float* p = at(i, j);
            float* out = &mStaging[FLOATS_DRAWN * (std::size_t(i) * n + j)];
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            // (along the second axis) x (along the first), from the neighbours.
            const float* a0 = at(i > 0 ? i - 1 : i, j);
            const float* a1 = at(i + 1 < n ? i + 1 : i, j);
            const float* b0 = at(i, j > 0 ? j - 1 : j);
            const float* b1 = at(i, j + 1 < n ? j + 1 : j);
            const double ax = double(a1[0]) - a0[0], ay = double(a1[1]) - a0[1], az = double(a1[2]) - a0[2];
            const double bx = double(b1[0]) - b0[0], by = double(b1[1]) - b0[1], bz = double(b1[2]) - b0[2];
            const Ogre::Vector3 normal =
                unitOr(by * az - bz * ay, bz * ax - bx * az, bx * ay - by * ax, Ogre::Vector3::UNIT_Y);
            out[3] = normal.x;
            out[4] = normal.y;
            out[5] = normal.z;
        }
    }
}

// Writes the staging array and sets the bounds from its finite positions.
void Mesh::writeVertices()
{
    const std::size_t count = mStaging.size() / FLOATS_DRAWN;
    mVertexBuffer->writeData(0, mVertexBuffer->getSizeInBytes(), mStaging.data(), true);

    const float inf = std::numeric_limits<float>::infinity();
    Ogre::Vector3 lowest(inf, inf, inf), highest(-inf, -inf, -inf);
    for (std::size_t k = 0; k < count; ++k) {
        const float* p = &mStaging[FLOATS_DRAWN * k];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        lowest.makeFloor(Ogre::Vector3(p));
        highest.makeCeil(Ogre::Vector3(p));
    }
    if (lowest.x > highest.x) lowest = highest = Ogre::Vector3::ZERO;  // nothing finite to bound
    mMesh->_setBounds(Ogre::AxisAlignedBox(lowest, highest), false);
    mMesh->_setBoundingSphereRadius(0.5f * (highest - lowest).length() + (highest + lowest).length() * 0.5f);
    if (Ogre::SceneNode* node = mHydrax->getSceneNode()) node->needUpdate();

    mFirstCorner = Ogre::Vector2(mStaging[0], mStaging[2]);
    const float* last = &mStaging[FLOATS_DRAWN * (count - 1)];
    mLastCorner = Ogre::Vector2(last[0], last[2]);
    writeColours();
}

void Mesh::writeColours()
{
    const MaterialManager::Options& look = mHydrax->getMaterialManager()->getOptions();
    const double least = look.SkyReflectionStrength;
    Ogre::Camera* camera = mHydrax->getCamera();
    const Ogre::Vector3 eye = camera ? camera->getDerivedPosition() - mHydrax->getPosition() : Ogre::Vector3::ZERO;
    auto byte = [](double v) { return Ogre::uint8(std::lround(Ogre::Math::Clamp(v, 0.0, 1.0) * 255.0)); };
    const Ogre::uint8 r = byte(0.5 * look.WaterColor.x), g = byte(0.5 * look.WaterColor.y),
                      b = byte(0.5 * look.WaterColor.z);
    const std::size_t count = mStaging.size() / FLOATS_DRAWN;
    for (std::size_t k = 0; k < count; ++k) {
        const float* v = &mStaging[FLOATS_DRAWN * k];
        double share = least;
        if (camera) {
            const double dx = double(eye.x) - v[0], dy = double(eye.y) - v[1], dz = double(eye.z) - v[2];
            const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (distance > 0.0 && std::isfinite(distance)) {
                const double facing = std::fabs(dx * v[3] + dy * v[4] + dz * v[5]) / distance;
                const double away = 1.0 - std::fmin(facing, 1.0);
                const double away2 = away * away;
                share = least + (1.0 - least) * away2 * away2 * away;
            }
        }
        Ogre::uint8* c = &mColours[4 * k];
        c[0] = r;
        c[1] = g;
        c[2] = b;
        c[3] = byte(share);
    }
    mColourBuffer->writeData(0, mColourBuffer->getSizeInBytes(), mColours.data(), true);
}

Ogre::Vector2 Mesh::getGridPosition(const Ogre::Vector2& position) const
{
    Ogre::Vector2 first = mFirstCorner, last = mLastCorner;
    if (!mCreated) {
        first = Ogre::Vector2(-0.5f * mOptions.MeshSize.Width, -0.5f * mOptions.MeshSize.Height);
        last = -first;
    }
    const Ogre::Vector3 origin = mHydrax->getPosition();
    const double steps = mOptions.MeshComplexity - 1;
    auto along = [&](double world, double nodeOrigin, double from, double to) {
        return to == from ? 0.0f : float((world - nodeOrigin - from) / (to - from) * steps);
    };
    return Ogre::Vector2(along(position.x, origin.x, first.x, last.x), along(position.y, origin.z, first.y, last.y));
}

void Mesh::setLights(const Ogre::LightList* lights) { mLightListener.mLights = lights; }

}  // namespace Hydrax
