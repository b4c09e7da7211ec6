// A water program whose every frame lasts 1/60 s, rendered one frame at a time:
// its random drops then come in the same frames in every run, and their lines
// on standard output can be checked against the generator's numbers. The
// program (WATER_PROGRAM, its header WATER_PROGRAM_HEADER) is otherwise as it
// runs: its window, input, scene and frame step.
#include WATER_PROGRAM_HEADER

#include "frame/Entry.h"

namespace {

class FixedFrames : public WATER_PROGRAM::Test {
public:
    void run() override
    {
        if (!setup()) return;
        while (mRoot->renderOneFrame(1.0f / 60.0f)) {
        }
        destroyScene();
    }
};

}  // namespace

int main()
{
    return runApplication<FixedFrames>();
}
