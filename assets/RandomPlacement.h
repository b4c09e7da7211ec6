#pragma once
// Bodies dropped at random free places. The contact tests' column lies above
// the middle of the enclosure: x and z from -0.50 to 0.49, y from 2.00 to 7.99,
// in steps of 0.01. The draws come from the programs' generator, so a fixed
// seed gives the same places in every run.
#include <cstdint>
#include <memory>

#include "assets/RigidBodyScene.h"
#include "sim/maths/Vector3.h"

// A number of hundredths: the numerator rounded to float, then divided by 100
// and rounded again.
float hundredths(double numerator);

// The point of the column that three draws (0 to 32767) give.
physics::Vector3 columnPoint(int rx, int ry, int rz);

// Draws rx, ry, rz, in this order, and returns their point of the column.
physics::Vector3 drawColumnPoint();

// Refused places allowed for one body. The scenes leave ample room, so their
// bodies find a place within a few draws; a column that is full would otherwise
// keep the program drawing for ever before its window shows anything.
constexpr int MAX_PLACEMENT_ATTEMPTS = 10000;

// Ends the placement of body `index` (from 0) of `count` bodies named `what`
// with an Ogre::Exception, after `attempts` refused places.
[[noreturn]] void refusePlacement(const char* what, int index, int count, int attempts);

// Queues count new bodies of type Body, named `what` in the error, each by a
// rule of its own: every attempt makes a body with the id the simulator's body
// count gives, lets place(body) draw its place (and whatever else of it is
// random), give it its shape and mass and set it at rest there, and keeps it
// only when it touches no body queued so far; otherwise the body is deleted and
// the attempt repeats. A body that finds no place in MAX_PLACEMENT_ATTEMPTS
// attempts ends the placement (refusePlacement); the bodies queued before it
// stay queued.
template <class Body, class Place>
void placeEachAtRandom(RigidBodySimulator& simulator, int count, const char* what, Place place)
{
    for (int placed = 0, refused = 0; placed < count;) {
        auto body = std::make_unique<Body>();
        body->id = std::int32_t(simulator.getNumBodies());
        place(body.get());
        if (simulator.isColliding(body.get())) {
            if (++refused == MAX_PLACEMENT_ATTEMPTS) refusePlacement(what, placed, count, refused);
            continue;
        }
        simulator.addBody(body.release());
        ++placed;
        refused = 0;
    }
}

// The column's rule: the place is drawn, then initialise(body) gives the body
// its shape and mass. Runs before the enclosure is queued, so the planes are
// never in the way.
template <class Body, class Initialise>
void placeAtRandom(RigidBodySimulator& simulator, int count, const char* what, Initialise initialise)
{
    placeEachAtRandom<Body>(simulator, count, what, [&](Body* body) {
        const physics::Vector3 position = drawColumnPoint();
        initialise(body);
        physics::rigidbody::setAtRest(body, position);
    });
}
