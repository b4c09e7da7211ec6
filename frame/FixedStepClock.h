#pragma once
// The rigid-body programs' frame clock: real time accumulates frame by frame, and
// the simulation follows it in fixed steps, as many as fit below it. Kept free of
// Ogre so that it can be checked without a window.

// Adds one frame of dt seconds to realTime (divided by timeScale) and calls
// simulate(t0, t1) for every step of length step that fits. The first frame (a
// negative simTime) only starts the clock. Returns the number of steps taken.
template <class Simulate>
int advanceFixedStepClock(double& realTime, double& simTime, float dt, double timeScale, double step,
                          Simulate&& simulate)
{
    realTime = realTime + double(dt) / timeScale;
    if (simTime < 0.0) {
        simTime = realTime;
        return 0;
    }
    int steps = 0;
    while (simTime + step < realTime) {
        // Both ends are rounded on their own: the simulator gets two times, not a length.
        simulate(float(simTime), float(simTime + step));
        simTime = simTime + step;
        ++steps;
    }
    return steps;
}
