#include "sim/water/WaterSimulator.h"

namespace physics {
namespace water {

void WaterSimulator::coupleBodies() {}

}  // namespace water
}  // namespace physics
