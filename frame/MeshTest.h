#pragma once
// The mesh programs: a simulator made in the scene step, with the drawn bodies
// either in the node list (entry i draws body i) or in one or two fixed pairs of
// body and node; each frame, fixed steps of the program's length at its time
// scale, then the poses copied. A program supplies its models, bodies and
// drawings, and its settings.
#include <OgreSceneNode.h>

#include <cstdint>
#include <memory>
#include <string>

#include "assets/MeshBody.h"
#include "assets/ModelMesh.h"
#include "assets/RigidBodyScene.h"
#include "frame/TestShell.h"

class MeshTest : public TestShell {
public:
    // The poses each frame copies, in this order.
    enum class Poses {
        NODE_LIST,         // every entry of mNodes that is not null, from body i
        BODY1,             // mBodyNode1 from mBody1
        BODY1_THEN_BODY2,  // mBodyNode1 from mBody1, then mBodyNode2 from mBody2
        BODY2,             // mBodyNode2 from mBody2 only
    };

    struct Settings {
        double timeScale;  // frame time is divided by it: 3 runs at a third of real time
        double step;       // seconds of one fixed step
        Poses poses;
        Ogre::ShadowTechnique shadows = Ogre::SHADOWTYPE_STENCIL_ADDITIVE;
        bool ground = true;  // the ground plane, drawn where the floor is
    };

    // Stencil shadows extrude every vertex of a caster into a second copy, and
    // Ogre indexes both copies with 16 bits (it stops the program on a larger
    // caster): a model that casts them may have at most this many vertices.
    static constexpr int STENCIL_SHADOW_VERTICES = 32768;

    explicit MeshTest(const Settings& settings);
    ~MeshTest() override;

    // "PlayerCam" at (6, 6, 6) looking at (0, 3, 0): the enclosure from above a
    // corner, its middle at the height where the bodies start.
    void createCamera() override;
    // The bodies; a dim ambient light and the shadows; their drawings; the ground
    // where there is one, and the sun shining along (0, -1, -1).
    void createScene() override;
    void updateSimulation(const Ogre::FrameEvent& evt) override;

    const Settings mSettings;
    RigidBodySimulator* mSimulator = nullptr;
    physics::rigidbody::RigidBody* mBody1 = nullptr;
    physics::rigidbody::RigidBody* mBody2 = nullptr;
    Ogre::SceneNode* mBodyNode1 = nullptr;
    Ogre::SceneNode* mBodyNode2 = nullptr;

protected:
    // What the bodies are made from (models, terrain), the simulator, the bodies,
    // committed once.
    virtual void createBodies() = 0;
    // The entities and nodes that draw the bodies.
    virtual void createBodyDrawings() = 0;

    template <class Model>
    physics::rigidbody::TriangleMeshBody* addMeshBody(std::int32_t id, float mass, Model& model, bool dynamic,
                                                      const physics::Vector3& position,
                                                      const physics::Matrix3& rotation = physics::Matrix3::identity())
    {
        return queueMeshBody(*mSimulator, id, mass, model, dynamic, position, rotation);
    }
    // A model (OffMesh, PlyMesh) whose entity casts the program's shadows. Under
    // stencil shadows a model of more vertices than they can extrude is
    // refused: an Ogre::Exception naming the file and the limit.
    template <class Model>
    Model* loadShadowCaster(const std::string& meshName, const std::string& fileName, float size)
    {
        std::unique_ptr<Model> model(new Model(meshName, fileName, size));
        if ((mSettings.shadows & Ogre::SHADOWDETAILTYPE_STENCIL) && model->mNumVertices > STENCIL_SHADOW_VERTICES) {
            freeModelArrays(*model);
            refuseStencilShadowCaster(fileName, model->mNumVertices);
        }
        return model.release();
    }
    physics::rigidbody::SphereBody* addSphere(std::int32_t id, float mass, float radius,
                                              const physics::Vector3& position);
    Ogre::SceneNode* createModelNode(const std::string& entityName, const std::string& meshName, bool castShadows);

private:
    [[noreturn]] static void refuseStencilShadowCaster(const std::string& fileName, int vertices);
};
