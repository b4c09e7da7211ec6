#pragma once
// Bodies dropped at random free places of a column above the middle of the
// enclosure: x and z from -0.50 to 0.49, y from 2.00 to 7.99, in steps of 0.01.
// The draws come from the programs' generator, so a fixed seed gives the same
// places in every run.
#include <cstdint>

#include "assets/RigidBodyScene.h"
#include "sim/maths/Vector3.h"

// The point of the column that three draws (0 to 32767) give.
physics::Vector3 columnPoint(int rx, int ry, int rz);

// Draws rx, ry, rz, in this order, and returns their point of the column.
physics::Vector3 drawColumnPoint();

// Queues count new bodies of type Body. Each attempt makes a body, draws its place,
// lets initialise(body) give it its shape and mass, sets it at rest there and keeps
// it only when it touches no body queued so far; otherwise the body is deleted and
// the attempt repeats. Runs before the enclosure is queued, so the planes are never
// in the way. There is no limit on the attempts: the scenes leave ample room.
template <class Body, class Initialise>
void placeAtRandom(RigidBodySimulator& simulator, int count, Initialise initialise)
{
    for (int placed = 0; placed < count;) {
        Body* body = new Body();
        body->id = std::int32_t(simulator.getNumBodies());
        const physics::Vector3 position = drawColumnPoint();
        initialise(body);
        physics::rigidbody::setAtRest(body, position);
        if (simulator.isColliding(body)) {
            delete body;
            continue;
        }
        simulator.addBody(body);
        ++placed;
    }
}
