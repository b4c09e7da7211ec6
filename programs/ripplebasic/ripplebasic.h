#pragma once
// A larger water alone, 129 cells over 100 units of flat ground, rippled by
// random drops, stepped at 1/30 s.
#include "frame/WaterShell.h"

namespace ripplebasic {

class Test : public WaterShell {
public:
    Test() : WaterShell(rippleSettings(0, 100, 129, 1.0 / 30.0)) {}
};

}  // namespace ripplebasic
