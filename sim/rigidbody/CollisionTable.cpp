#include <stdexcept>
#include <string>

#include "sim/rigidbody/Collide.h"
#include "sim/rigidbody/SearchContext.h"

namespace physics {
namespace rigidbody {

const CollisionFunction collisionTable[16] = {
    collideBoxBox,     collideBoxSphere,     collideBoxTriMesh,     collideBoxPlane,
    collideSphereBox,  collideSphereSphere,  collideSphereTriMesh,  collideSpherePlane,
    collideTriMeshBox, collideTriMeshSphere, collideTriMeshTriMesh, collideTriMeshPlane,
    collidePlaneBox,   collidePlaneSphere,   collidePlaneTriMesh,   collidePlanePlane,
};

void requireKnownShape(const RigidBody* body)
{
    if (!body) throw std::invalid_argument("simulator: no body given");
    if (body->shapeType < SHAPE_BOX || body->shapeType > SHAPE_PLANE)
        throw std::invalid_argument("simulator: body of unknown shape type " + std::to_string(body->shapeType) +
                                    " (box 0, sphere 1, triangle mesh 2, plane 3)");
}

namespace {

// A pair that keeps nothing between calls.
template <CollisionFunction pair>
void keepsNothing(RigidBody* first, RigidBody* second, ContactList* contacts, SearchContext&)
{
    pair(first, second, contacts);
}

// A mirrored entry: its partner with the bodies exchanged.
template <PairFunction partner>
void mirrored(RigidBody* first, RigidBody* second, ContactList* contacts, SearchContext& context)
{
    partner(second, first, contacts, context);
}

template <PairFunction meshMesh>
constexpr PairFunction withMeshes[16] = {
    keepsNothing<collideBoxBox>,
    collideBoxSphere,
    collideBoxTriMesh,
    keepsNothing<collideBoxPlane>,
    mirrored<collideBoxSphere>,
    keepsNothing<collideSphereSphere>,
    mirrored<collideTriMeshSphere>,
    keepsNothing<collideSpherePlane>,
    mirrored<collideBoxTriMesh>,
    collideTriMeshSphere,
    meshMesh,
    collideTriMeshPlane,
    keepsNothing<collidePlaneBox>,
    keepsNothing<collidePlaneSphere>,
    mirrored<collideTriMeshPlane>,
    keepsNothing<collidePlanePlane>,
};

constexpr PairFunction plainPairs[16] = {
    keepsNothing<collideBoxBox>,
    keepsNothing<full::collideBoxSphere>,
    keepsNothing<full::collideBoxTriMesh>,
    keepsNothing<collideBoxPlane>,
    mirrored<keepsNothing<full::collideBoxSphere>>,
    keepsNothing<collideSphereSphere>,
    mirrored<keepsNothing<full::collideTriMeshSphere>>,
    keepsNothing<collideSpherePlane>,
    mirrored<keepsNothing<full::collideBoxTriMesh>>,
    keepsNothing<full::collideTriMeshSphere>,
    keepsNothing<full::collideTriMeshTriMesh>,
    keepsNothing<full::collideTriMeshPlane>,
    keepsNothing<collidePlaneBox>,
    keepsNothing<collidePlaneSphere>,
    mirrored<keepsNothing<full::collideTriMeshPlane>>,
    keepsNothing<collidePlanePlane>,
};

}  // namespace

SearchForms SearchForms::library() { return SearchForms{false, withMeshes<collideTriMeshTriMesh>}; }
SearchForms SearchForms::meshNodePairs() { return SearchForms{false, withMeshes<collideTriMeshTriMeshByNodePairs>}; }
SearchForms SearchForms::plain() { return SearchForms{true, plainPairs}; }

}  // namespace rigidbody
}  // namespace physics
