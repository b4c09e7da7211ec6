#pragma once
// The rigid-body programs' frame clock: real time accumulates frame by frame, and
// the simulation follows it in fixed steps, as many as fit below it. Kept free of
// Ogre so that it can be checked without a window.
#include <cmath>

// Seconds of wall-clock work that one frame's steps may take. A simulation whose
// steps cost more than the time they cover (two large meshes in contact) would
// otherwise owe more after every frame than before it, and the program would
// never draw a frame or read a key again.
constexpr double CATCH_UP_LIMIT = 0.5;

// What one frame's catch-up did.
struct FrameSteps {
    int taken = 0;
    // Simulated seconds left out when the work passed the limit; 0 while the
    // simulation keeps up.
    double dropped = 0.0;
};

// Adds one frame of dt seconds to realTime (divided by timeScale) and calls
// simulate(t0, t1) for every step of length step that fits. The first frame (a
// negative simTime) only starts the clock. Before every step but the first,
// workClock() (seconds, any origin) tells how long the frame's steps have taken:
// past `limit`, simTime jumps to within a step below realTime, and the steps it
// jumps over are not taken.
template <class Simulate, class WorkClock>
FrameSteps advanceFixedStepClock(double& realTime, double& simTime, float dt, double timeScale, double step,
                                 Simulate&& simulate, WorkClock&& workClock, double limit = CATCH_UP_LIMIT)
{
    FrameSteps steps;
    realTime = realTime + double(dt) / timeScale;
    if (simTime < 0.0) {
        simTime = realTime;
        return steps;
    }
    const double start = workClock();
    while (simTime + step < realTime) {
        if (steps.taken > 0 && workClock() - start > limit) {
            const double behind = simTime;
            // Whole steps, so that what is left of real time still carries over;
            // the last ones one by one, to end as the loop ends.
            simTime = simTime + (std::floor((realTime - simTime) / step) - 1) * step;
            while (simTime + step < realTime) simTime = simTime + step;
            steps.dropped = simTime - behind;
            break;
        }
        // Both ends are rounded on their own: the simulator gets two times, not a length.
        simulate(float(simTime), float(simTime + step));
        simTime = simTime + step;
        ++steps.taken;
    }
    return steps;
}

// Without a limit: every step that fits. Returns the number of steps taken.
template <class Simulate>
int advanceFixedStepClock(double& realTime, double& simTime, float dt, double timeScale, double step,
                          Simulate&& simulate)
{
    return advanceFixedStepClock(realTime, simTime, dt, timeScale, step, simulate, [] { return 0.0; }).taken;
}
