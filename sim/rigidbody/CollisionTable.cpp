#include "sim/rigidbody/Collide.h"

namespace physics {
namespace rigidbody {

const CollisionFunction collisionTable[16] = {
    collideBoxBox,     collideBoxSphere,     collideBoxTriMesh,     collideBoxPlane,
    collideSphereBox,  collideSphereSphere,  collideSphereTriMesh,  collideSpherePlane,
    collideTriMeshBox, collideTriMeshSphere, collideTriMeshTriMesh, collideTriMeshPlane,
    collidePlaneBox,   collidePlaneSphere,   collidePlaneTriMesh,   collidePlanePlane,
};

}  // namespace rigidbody
}  // namespace physics
