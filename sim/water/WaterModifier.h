#pragma once

namespace physics {
namespace water {

class WaterSimulator;

// Something that changes the water once per step, before the water moves (for
// example a source of drops). The simulator never deletes a modifier.
class WaterModifier {
public:
    virtual ~WaterModifier() = default;
    virtual void apply(float dt, WaterSimulator* water) = 0;
};

}  // namespace water
}  // namespace physics
