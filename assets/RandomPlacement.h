#pragma once
// Bodies dropped at random free places. The column of the contact tests lies
// above the middle of the enclosure: x and z from -0.50 to 0.49, y from 2.00 to
// 7.99, in steps of 0.01. The draws come from the programs' generator, so a
// fixed seed gives the same places in every run.
#include <cstdint>
#include <string>

#include "assets/RigidBodyScene.h"
#include "sim/maths/Vector3.h"

// A number of hundredths: the numerator rounded to float, then divided by 100
// and rounded again.
float hundredths(double numerator);

// The point of the column that three draws (0 to 32767) give.
physics::Vector3 columnPoint(int rx, int ry, int rz);

// Draws rx, ry, rz, in this order, and returns their point of the column.
physics::Vector3 drawColumnPoint();

// Refused attempts in a row after which a body is taken to have no free place:
// the scenes leave ample room, so a normal run never comes near it.
constexpr int MAX_PLACEMENT_ATTEMPTS = 10000;

// Ends the scene: the `what` with this body index found no free place.
[[noreturn]] void refuseRandomPlacement(const std::string& what, unsigned bodyIndex, int attempts);

// Queues count new bodies of type Body, each at its first free place. Each
// attempt makes a body with the id the simulator's body count gives, lets
// place(body) draw its place (and whatever else of it is random), give it its
// shape and mass and set it at rest there, and keeps it only when it touches no
// body queued so far; otherwise the body is deleted and the attempt repeats.
// After MAX_PLACEMENT_ATTEMPTS refusals for one body, an Ogre::Exception names
// it (`what` and its body index).
template <class Body, class Place>
void placeEachAtRandom(RigidBodySimulator& simulator, int count, const std::string& what, Place place)
{
    for (int placed = 0; placed < count; ++placed) {
        for (int refused = 0;;) {
            Body* body = new Body();
            body->id = std::int32_t(simulator.getNumBodies());
            place(body);
            if (!simulator.isColliding(body)) {
                simulator.addBody(body);
                break;
            }
            delete body;
            if (++refused == MAX_PLACEMENT_ATTEMPTS)
                refuseRandomPlacement(what, unsigned(simulator.getNumBodies() + simulator.mPendingBodies.size()),
                                      refused);
        }
    }
}

// The column's placement: the place is drawn first, then initialise(body) gives
// the body its shape and mass. Runs before the enclosure is queued, so the
// planes are never in the way.
template <class Body, class Initialise>
void placeAtRandom(RigidBodySimulator& simulator, int count, Initialise initialise)
{
    placeEachAtRandom<Body>(simulator, count, "body", [&](Body* body) {
        const physics::Vector3 position = drawColumnPoint();
        initialise(body);
        physics::rigidbody::setAtRest(body, position);
    });
}
