#pragma once
// The triangle-mesh body of a model: initTriangleMesh over the model's arrays
// (kept, not copied: the model must outlive the body), with what the mesh
// tree refuses and allocation failures turned into an Ogre::Exception, which
// the program entry reports.
#include <string>

#include "sim/rigidbody/RigidBody.h"

class OffMesh;
class PlyMesh;

// `name` names the mesh in the exception's text.
void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, const std::string& name, int numVertices,
                  float* vertices, int numFaces, unsigned short* faces, bool dynamic);

void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, OffMesh& model, bool dynamic);
void initMeshBody(physics::rigidbody::TriangleMeshBody* body, float mass, PlyMesh& model, bool dynamic);
