#pragma once
// The steps of the water's coupling with the bodies, in the order one coupling
// runs them: what the rays need of a body, which rays of the lattice pass through
// it, where a ray lies, what a ray through the body adds, and at the end the water
// the bodies displaced pushed out to the neighbours. The water's step
// (WaterSimulator::coupleBodies) casts the rays of a body together and keeps what
// it can between them; the same steps probe a body one ray at a time.
#include "sim/maths/Matrix4.h"
#include "sim/maths/Ray.h"
#include "sim/maths/Vector3.h"

namespace physics {
namespace rigidbody {
class AbstractSimulator;
struct RigidBody;
}  // namespace rigidbody

namespace water {

class WaterSimulator;

namespace coupling {

constexpr float rayStartHeight = -1000.0f;
constexpr unsigned maxMeshHits = 20;

// What the rays need of one movable body, worked out once per coupling.
struct BodyProbe {
    rigidbody::RigidBody* body;
    Vector3 min, max;  // world bounds
    Matrix4 toWorld;   // meshes only
    Matrix4 toBody;
    Vector3 bodyUp;    // the world's +y in body coordinates
    float raySide;     // each ray stands for a square of this side
    Vector3 damping;   // the vertical damping every submerged ray adds
};

// False for a body the water leaves alone: a static one, or one of a shape it
// does not know.
bool probeBody(rigidbody::RigidBody* body, float size, BodyProbe& probe);

// The lattice rays i = iFirst..iLast, k = kFirst..kLast through a body's
// footprint, not clipped to the lattice. False when the body lies wholly above
// the highest water, wholly beyond an edge of the lattice, or has no bounds.
struct RayRange {
    int iFirst, iLast, kFirst, kLast;
};
bool rayRange(const BodyProbe& probe, float size, float highestSurface, RayRange& range);

// One column (or row) of rays: its world coordinate, its grid coordinate on a grid
// of n nodes a side, and the node of the scratch grid (cells along that side) on
// which its rays record the column they displace, -1 where they record none.
struct RayLine {
    float world, grid;
    int node;
};
RayLine rayLine(int i, int n, int cells, float size);

// The vertical ray of a column and a row.
Ray latticeRay(const RayLine& column, const RayLine& row);

// The hits of a world ray with a mesh body, in body coordinates and in the tree
// walk's order, at most maxMeshHits of them; returns their number.
unsigned castMeshRay(const BodyProbe& probe, const Ray& ray, Vector3* hits);

// The water at one ray's grid position, sampled when the ray needs it.
class RayWater {
public:
    virtual float surface() = 0;
    virtual float velocityX() = 0;
    virtual float velocityZ() = 0;

protected:
    ~RayWater() = default;
};

// What one ray through a body adds: the water column it displaces, and the force
// (buoyancy, drag towards the water's flow, vertical damping) at the middle of its
// submerged part.
struct RayPush {
    float column;
    Vector3 point, force;
    // Hands the force to the body, unless a body or a water gone bad made it or
    // its point not finite.
    void applyTo(rigidbody::AbstractSimulator& bodies, rigidbody::RigidBody* body) const;
};

// False when the ray does not find the body under water. Sphere and box rays are
// cast here; a mesh ray's hits (castMeshRay's, or the same found another way) are
// given and reordered.
bool pushOfRay(const BodyProbe& probe, const Ray& ray, Vector3* meshHits, unsigned meshHitCount, RayWater& water,
               RayPush& push);

// After every body: each node whose displaced column grew pushes the growth out to
// its four neighbours; the columns are those of the water's scratch grid.
void pushOutDisplacedWater(WaterSimulator& water);

}  // namespace coupling
}  // namespace water
}  // namespace physics
