#pragma once
// Whole scenes of the kind the mesh programs run, with generated stand-ins for
// their models: a tumble of two meshes, spheres and a box in the walled
// enclosure, and a lake of a mesh and spheres over a terrain mesh.
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "Meshes.h"
#include "platform/CrtRandom.h"
#include "sim/rigidbody/Simulator.h"
#include "sim/water/WaterSimulator.h"

namespace testing_support {

using physics::rigidbody::Simulator;
using physics::ODERungeKutta;

// Owns the bodies of a scene and the simulator they are handed to.
class SceneBodies {
public:
    Simulator<ODERungeKutta> sim;
    MeshStore meshes;

    template <class T>
    T* make()
    {
        auto body = std::make_shared<T>();
        owned_.push_back(body);
        return body.get();
    }

    // The enclosure of the contact programs: a floor and four walls at +-2.
    void addEnclosure()
    {
        const Plane walls[5] = {{Vector3{0, 1, 0}, 0}, {Vector3{1, 0, 0}, 2}, {Vector3{-1, 0, 0}, 2},
                                {Vector3{0, 0, 1}, 2}, {Vector3{0, 0, -1}, 2}};
        for (const Plane& p : walls) {
            auto* plane = make<PlaneBody>();
            initPlane(plane, p);
            plane->id = 0;
            setAtRest(plane, p.normal * -p.d);
            sim.addBody(plane);
        }
    }

    // Places body at the first free point drawn from the column above the enclosure.
    void placeInColumn(RigidBody* body)
    {
        do {
            const float x = float((platform::crtRand() % 100 - 50.0) / 100.0);
            const float y = float((platform::crtRand() % 600 - 300.0 + 500.0) / 100.0);
            const float z = float((platform::crtRand() % 100 - 50.0) / 100.0);
            setAtRest(body, Vector3{x, y, z});
        } while (sim.isColliding(body));
        sim.addBody(body);
    }

    void step(float h)
    {
        sim.simulate(t_, t_ + h);
        t_ += h;
    }

    // Every body record and the clock, to go back to (the simulator derives all
    // else from the bodies at each step).
    void snapshot()
    {
        saved_.clear();
        for (RigidBody* b : sim.mBodies) saved_.push_back(copyOf(b));
        savedT_ = t_;
    }
    void restore()
    {
        for (std::size_t i = 0; i < saved_.size(); ++i) saved_[i]();
        t_ = savedT_;
    }

private:
    template <class T>
    static std::function<void()> copyOf(T* body, const T& value)
    {
        return [body, value]() { *body = value; };
    }
    static std::function<void()> copyOf(RigidBody* b)
    {
        switch (b->shapeType) {
        case SHAPE_BOX: return copyOf(static_cast<BoxBody*>(b), *static_cast<BoxBody*>(b));
        case SHAPE_SPHERE: return copyOf(static_cast<SphereBody*>(b), *static_cast<SphereBody*>(b));
        case SHAPE_TRIANGLE_MESH:
            return copyOf(static_cast<TriangleMeshBody*>(b), *static_cast<TriangleMeshBody*>(b));
        default: return copyOf(static_cast<PlaneBody*>(b), *static_cast<PlaneBody*>(b));
        }
    }

    std::vector<std::shared_ptr<void>> owned_;
    std::vector<std::function<void()>> saved_;
    float t_ = 0.0f, savedT_ = 0.0f;
};

// Spheres of radius 0.25, then boxes of edge 0.5, dropped at random into the
// walled enclosure (x, z in [-2, 2], y >= 0) from a column as wide as the
// enclosure and as tall as the bodies need to find room (the contact programs'
// narrower column holds a few dozen).
class EnclosureScene : public SceneBodies {
public:
    EnclosureScene(int spheres, int boxes)
    {
        platform::crtSrand(27493);
        const int count = spheres + boxes;
        for (int i = 0; i < count; ++i) {
            RigidBody* body = nullptr;
            if (i < spheres) {
                auto* s = make<SphereBody>();
                initSphere(s, 1.0f, 0.25f);
                body = s;
            } else {
                auto* b = make<BoxBody>();
                initBox(b, 1.0f, 0.5f, 0.5f, 0.5f);
                body = b;
            }
            body->id = 0;
            do {
                const float x = float((platform::crtRand() % 340 - 170.0) / 100.0);
                const float y = float(0.5 + (platform::crtRand() % 1000) / 1000.0 * (1.0 + 0.06 * count));
                const float z = float((platform::crtRand() % 340 - 170.0) / 100.0);
                setAtRest(body, Vector3{x, y, z});
            } while (sim.isColliding(body));
            sim.addBody(body);
        }
        addEnclosure();
        sim.commitBodies();
    }
};

// Two closed meshes (the lower one turned by 0.785 about x, as in the tumble
// program), ten spheres of radius 0.3 and a box of edge 0.5 dropped into the
// enclosure; stepped at 1/120 s.
class TumbleScene : public SceneBodies {
public:
    static constexpr float STEP = 1.0f / 120.0f;

    explicit TumbleScene(const MeshData& model)
    {
        platform::crtSrand(27493);
        lower = meshes.body(model, Vector3{0, 1, 0}, true, 10, Matrix3::makeRotationX(0.785f));
        upper = meshes.body(model, Vector3{0, 2.5f, 0}, true, 25);
        sim.addBody(lower);
        sim.addBody(upper);
        for (int i = 0; i < 10; ++i) {
            auto* sphere = make<SphereBody>();
            initSphere(sphere, 6, 0.3f);
            sphere->id = 0;
            placeInColumn(sphere);
        }
        auto* box = make<BoxBody>();
        initBox(box, 8, 0.5f, 0.5f, 0.5f);
        box->id = 0;
        placeInColumn(box);
        addEnclosure();
        sim.commitBodies();
    }

    TriangleMeshBody* lower;
    TriangleMeshBody* upper;
};

// Two closed meshes dropped one onto the other in the enclosure (the lower one
// turned by 0.785 about x), as in the mesh-on-mesh contact program; stepped at
// 1/60 s. Large meshes crowd the enclosure and keep meeting.
class StackScene : public SceneBodies {
public:
    static constexpr float STEP = 1.0f / 60.0f;

    explicit StackScene(const MeshData& model)
    {
        lower = meshes.body(model, Vector3{0, 1, 0}, true, 10, Matrix3::makeRotationX(0.785f));
        upper = meshes.body(model, Vector3{0, 2.5f, 0}, true, 25);
        sim.addBody(lower);
        sim.addBody(upper);
        addEnclosure();
        sim.commitBodies();
    }

    TriangleMeshBody* lower;
    TriangleMeshBody* upper;
};

// A static basin of terrain (13 x 13 samples over 50 x 50), a closed mesh and 40
// spheres of radius 0.5 dropped from 17 to 23 above it; stepped at 1/60 s. With
// water, the lake's grid of 65 x 65 over the same ground, filled to 10 and coupled
// with the bodies.
class LakeScene : public SceneBodies {
public:
    static constexpr float STEP = 1.0f / 60.0f;
    static constexpr int WATER_CELLS = 65;

    LakeScene(const MeshData& model, bool withWater)
    {
        platform::crtSrand(27493);
        terrain = meshes.body(terrainMesh(13, 50.0f), Vector3{0, 0, 0});
        sim.addBody(terrain);
        floating = meshes.body(model, Vector3{0, 12.5f, 0}, true, 0.15f);
        sim.addBody(floating);
        for (int placed = 0; placed < 40;) {
            auto* sphere = make<SphereBody>();
            const float x = float((platform::crtRand() % 5000 - 2500) / 100.0);
            const float y = float((platform::crtRand() % 600 + 2000 - 300) / 100.0);
            const float z = float((platform::crtRand() % 5000 - 2500) / 100.0);
            const float mass = float((platform::crtRand() % 50) / 100.0 + 0.1);
            initSphere(sphere, mass, 0.5f);
            sphere->id = 0;
            setAtRest(sphere, Vector3{x, y, z});
            if (sim.isColliding(sphere)) continue;
            sim.addBody(sphere);
            ++placed;
        }
        sim.commitBodies();
        if (withWater) {
            std::vector<float> ground(WATER_CELLS * WATER_CELLS);
            for (int j = 0; j < WATER_CELLS; ++j)
                for (int i = 0; i < WATER_CELLS; ++i)
                    ground[j * WATER_CELLS + i] = terrainHeight(-25.0 + 50.0 * i / (WATER_CELLS - 1),
                                                                -25.0 + 50.0 * j / (WATER_CELLS - 1));
            water = std::make_unique<physics::water::WaterSimulator>(ground.data(), 50.0f, 10.0f, WATER_CELLS);
            water->mRigidBodySimulator = &sim;
        }
    }

    // One sub-step of the lake program: forces cleared, water (and coupling), bodies.
    void subStep()
    {
        subStep([](physics::water::WaterSimulator& w, float h) { w.step(h); });
    }
    // The same with the water stepped by stepWater(*water, STEP) instead: another
    // step to compare with, or the library's timed.
    template <class WaterStep>
    void subStep(WaterStep stepWater)
    {
        sim.clearForces();
        if (water) stepWater(*water, STEP);
        step(STEP);
    }

    TriangleMeshBody* terrain;
    TriangleMeshBody* floating;
    std::unique_ptr<physics::water::WaterSimulator> water;
};

}  // namespace testing_support
