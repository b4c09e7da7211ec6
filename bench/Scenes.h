#pragma once
// Scenes of the kind the programs run, for benchmarks.
#include "MeshScenes.h"

namespace bench {

using namespace physics;
using namespace physics::rigidbody;
using testing_support::EnclosureScene;

}  // namespace bench
