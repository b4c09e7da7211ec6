#pragma once
// The water surface as one dynamic Ogre mesh: a regular complexity x complexity
// grid of triangles whose vertices the module hands over every frame. Vertex k
// of the array is grid vertex (k / complexity, k % complexity); the first index
// runs along the grid's first axis (x for a flat grid), the second along its
// second (z). Triangles face the side to which (second axis) x (first axis)
// points, +y for a grid laid out along +x and +z.
//
// Modules hand either positions and normals (six floats a vertex) or positions
// only (three floats). Handed normals point into the water, as a module derives
// them from its neighbours; the mesh draws them flipped and of unit length. For
// positions only, the mesh derives the normals from the grid itself.
//
// Every vertex also gets a colour: the water's diffuse colour, and as alpha the
// share of the reflected sky seen there from the camera, which grows from the
// material's reflection strength when looking straight down to all of it at a
// grazing view (Schlick's approximation of the Fresnel term of water, whose
// reflectance head-on is close to nothing).
#include <OgreAxisAlignedBox.h>
#include <OgreEntity.h>
#include <OgreHardwareIndexBuffer.h>
#include <OgreHardwareVertexBuffer.h>
#include <OgreMesh.h>
#include <OgreMovableObject.h>
#include <OgreVector.h>

#include <vector>

#include "platform/hydrax/Size.h"

namespace Hydrax {

class Hydrax;

class Mesh {
public:
    enum VertexType {
        VT_POSITION_NORMAL = 1,  // x, y, z, nx, ny, nz
        VT_POSITION = 3          // x, y, z
    };

    struct Options {
        // Vertices per side.
        int MeshComplexity;
        // Extent in world units of a grid laid out over a square (a hint for
        // getGridPosition before the first update).
        Size MeshSize;
        // Height scale of the module's waves; kept for the module.
        float MeshStrength;
        // VertexType of the arrays handed to updateGeometry.
        int MeshVertexType;

        Options() : MeshComplexity(64), MeshSize(100, 100), MeshStrength(1.0f), MeshVertexType(VT_POSITION_NORMAL) {}
        Options(int complexity, const Size& size, float strength, int vertexType)
            : MeshComplexity(complexity), MeshSize(size), MeshStrength(strength), MeshVertexType(vertexType)
        {
        }
    };

    // Fewest and most vertices per side: a grid needs two, and beyond this the
    // arrays alone would take hundreds of megabytes.
    static const int MIN_COMPLEXITY = 2;
    static const int MAX_COMPLEXITY = 2048;

    explicit Mesh(Hydrax* hydrax);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Takes effect at the next create. Options with a complexity outside
    // MIN_COMPLEXITY..MAX_COMPLEXITY or an unknown vertex type are refused with
    // a log line; the mesh keeps its options.
    void setOptions(const Options& options);
    const Options& getOptions() const { return mOptions; }

    // Builds the mesh, flat at height 0 over MeshSize, its entity on the Hydrax
    // object's scene node. Nothing happens when it exists.
    void create();
    // Destroys the entity and the mesh; the options and material name stay.
    void remove();
    bool isCreated() const { return mCreated; }

    void setMaterialName(const Ogre::String& name);
    const Ogre::String& getMaterialName() const { return mMaterialName; }

    // Draws the array from now on: complexity squared vertices of the options'
    // vertex type. Any other count, or no mesh, is refused: false, and the mesh
    // keeps what it drew. The bounds follow the new positions.
    bool updateGeometry(const int& numVertices, const void* vertices);

    // The grid coordinates (fractional first and second index) of a world x, z,
    // from the corners of the last array drawn (before the first, a grid centred
    // on the scene node over MeshSize). Not clamped.
    Ogre::Vector2 getGridPosition(const Ogre::Vector2& position) const;

    // The lights the water is lit by; null for the scene's own.
    void setLights(const Ogre::LightList* lights);

    Ogre::MeshPtr getMesh() const { return mMesh; }
    Ogre::Entity* getEntity() const { return mEntity; }
    Ogre::HardwareVertexBufferSharedPtr getVertexBuffer() const { return mVertexBuffer; }
    Ogre::HardwareVertexBufferSharedPtr getColourBuffer() const { return mColourBuffer; }
    Ogre::HardwareIndexBufferSharedPtr getIndexBuffer() const { return mIndexBuffer; }

private:
    class LightListener : public Ogre::MovableObject::Listener {
    public:
        const Ogre::LightList* objectQueryLights(const Ogre::MovableObject*) override { return mLights; }
        const Ogre::LightList* mLights = nullptr;
    };

    void createIndexBuffer(Ogre::IndexData* indexData);
    void writeVertices();
    void writeColours();
    void fillFromPositionsAndNormals(const float* vertices);
    void fillFromPositions(const float* vertices);

    Hydrax* mHydrax;
    Options mOptions;
    Ogre::String mMaterialName;
    bool mCreated = false;
    Ogre::MeshPtr mMesh;
    Ogre::Entity* mEntity = nullptr;
    Ogre::HardwareVertexBufferSharedPtr mVertexBuffer;
    Ogre::HardwareVertexBufferSharedPtr mColourBuffer;
    Ogre::HardwareIndexBufferSharedPtr mIndexBuffer;
    LightListener mLightListener;
    // What is written to the vertex buffer: position and normal per vertex.
    std::vector<float> mStaging;
    std::vector<Ogre::uint8> mColours;
    // x, z of grid vertex (0, 0) and of the last vertex, in the node's frame.
    Ogre::Vector2 mFirstCorner;
    Ogre::Vector2 mLastCorner;
    bool mRefusalLogged = false;
};

}  // namespace Hydrax
