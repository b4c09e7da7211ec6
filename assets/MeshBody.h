#pragma once
// The triangle-mesh body of a model: initTriangleMesh over the model's arrays
// (kept, not copied: the model must outlive the body), with what the mesh
// tree refuses and allocation failures turned into an Ogre::Exception, which
// the program entry reports.
#include <cstdint>
#include <memory>
#include <string>

#include "assets/RigidBodyScene.h"
#include "sim/rigidbody/RigidBody.h"

struct ModelFields;
class Terrain;

// `name` names the mesh in the exception's text.
void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, const std::string& name, int numVertices,
                  float* vertices, int numFaces, unsigned short* faces, bool dynamic);

// An OFF or PLY model (OffMesh, PlyMesh).
void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, ModelFields& model, bool dynamic);
// The terrain's coarse mesh (after Terrain::create).
void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, Terrain& terrain, bool dynamic);

// A new triangle-mesh body over a model's (or the terrain's) arrays, given its id,
// initialised by initMeshBody, set at rest in the pose and queued.
template <class Model>
physics::rigidbody::TriangleMeshBody* queueMeshBody(RigidBodySimulator& simulator, std::int32_t id, float mass,
                                                    Model& model, bool dynamic, const physics::Vector3& position,
                                                    const physics::Matrix3& rotation = physics::Matrix3::identity())
{
    auto body = std::make_unique<physics::rigidbody::TriangleMeshBody>();
    body->id = id;
    initMeshBody(body.get(), mass, model, dynamic);
    physics::rigidbody::setAtRest(body.get(), position, rotation);
    simulator.addBody(body.get());
    return body.release();
}
