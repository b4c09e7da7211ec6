#pragma once
// seaview's own frame listener, beside the application's plain one: every frame
// it hides the statistics overlay, keeps the camera 30 units above the ground
// below it, updates the water and cycles the sky boxes on M (at most every half
// second while M is held).
#include <OgreSceneManager.h>

#include "frame/ExampleFrameListener.h"

namespace seaview {

class ExampleHydraxDemoListener : public ExampleFrameListener {
public:
    ExampleHydraxDemoListener(Ogre::RenderWindow* window, Ogre::Camera* camera, Ogre::SceneManager* sceneManager);

    bool frameStarted(const Ogre::FrameEvent& evt) override;

    // Applies entry currentSkyBox of the tables: the sky box, the water's sun,
    // the light "Light0", and a log line.
    void changeSkyBox();

    Ogre::SceneManager* mSceneMgr;
    // Seconds until M is taken again; taken while negative.
    float mKeyDelay = -1.0f;

protected:
    // With devices that the caller made and keeps, as the base's.
    ExampleHydraxDemoListener(Ogre::RenderWindow* window, Ogre::Camera* camera, Ogre::SceneManager* sceneManager,
                              OIS::Keyboard* keyboard, OIS::Mouse* mouse);

private:
    void hideStatsAtStart();
    void keepAboveGround();
};

}  // namespace seaview
