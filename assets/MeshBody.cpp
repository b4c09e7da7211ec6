#include "assets/MeshBody.h"

#include <OgreException.h>

#include <new>
#include <stdexcept>

#include "assets/ModelFields.h"
#include "assets/Terrain.h"

void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, const std::string& name, int numVertices,
                  float* vertices, int numFaces, unsigned short* faces, bool dynamic)
{
    try {
        physics::rigidbody::initTriangleMesh(body, mass, numVertices, vertices, numFaces, faces, dynamic);
    } catch (const std::invalid_argument& e) {
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "the body of mesh \"" + name + "\": " + e.what(),
                    "initMeshBody");
    } catch (const std::bad_alloc&) {
        OGRE_EXCEPT(Ogre::Exception::ERR_INTERNAL_ERROR, "the body of mesh \"" + name + "\": out of memory",
                    "initMeshBody");
    }
}

void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, ModelFields& model, bool dynamic)
{
    initMeshBody(body, mass, model.mMesh ? model.mMesh->getName() : std::string(), model.mNumVertices,
                 model.mVertices, model.mNumFaces, model.mFaces, dynamic);
}

void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, Terrain& terrain, bool dynamic)
{
    initMeshBody(body, mass, terrain.mMesh ? terrain.mMesh->getName() : std::string("terrain"),
                 int(terrain.mNumVertices), terrain.mVertices, int(terrain.mNumFaces), terrain.mFaces, dynamic);
}
