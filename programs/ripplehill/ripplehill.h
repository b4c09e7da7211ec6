#pragma once
// The lake's water alone over its terrain, rippled by random drops.
#include "frame/WaterShell.h"

namespace ripplehill {

class Test : public WaterShell {
public:
    Test() : WaterShell(rippleSettings(13, LAKE_SIZE, 65, 1.0 / 60.0)) {}
};

}  // namespace ripplehill
