#include "programs/seaview/ExampleHydraxDemoListener.h"

#include <OgreLogManager.h>
#include <OgreStringConverter.h>

#include "platform/hydrax/Hydrax.h"
#include "programs/seaview/GroundRay.h"
#include "programs/seaview/ProgramValues.h"
#include "programs/seaview/SeaScene.h"

namespace seaview {

ExampleHydraxDemoListener::ExampleHydraxDemoListener(Ogre::RenderWindow* window, Ogre::Camera* camera,
                                                     Ogre::SceneManager* sceneManager)
    : ExampleFrameListener(window, camera), mSceneMgr(sceneManager)
{
    hideStatsAtStart();
}

ExampleHydraxDemoListener::ExampleHydraxDemoListener(Ogre::RenderWindow* window, Ogre::Camera* camera,
                                                     Ogre::SceneManager* sceneManager, OIS::Keyboard* keyboard,
                                                     OIS::Mouse* mouse)
    : ExampleFrameListener(window, camera, keyboard, mouse), mSceneMgr(sceneManager)
{
    hideStatsAtStart();
}

void ExampleHydraxDemoListener::hideStatsAtStart()
{
    if (mStatsOverlay) mStatsOverlay->hide();
}

bool ExampleHydraxDemoListener::frameStarted(const Ogre::FrameEvent& evt)
{
    // After windowClosed the devices are gone.
    if (mWindow->isClosed()) return false;
    const float dt = evt.timeSinceLastFrame;

    setStatsOverlayVisible(false);
    keepAboveGround();
    hydraxInstance->update(dt);

    mKeyboard->capture();
    if (mKeyboard->isKeyDown(OIS::KC_M) && mKeyDelay < 0) {
        currentSkyBox = currentSkyBox + 1;
        if (currentSkyBox > SKY_BOX_COUNT - 1) currentSkyBox = 0;
        changeSkyBox();
        mKeyDelay = 0.5f;
    }
    mKeyDelay -= dt;
    return true;
}

void ExampleHydraxDemoListener::keepAboveGround()
{
    const Ogre::Vector3 position = mCamera->getPosition();
    Ogre::Vector3 ground;
    if (!groundBelow(mSceneMgr, position + Ogre::Vector3(0, 1000000, 0), ground)) return;
    const float h = float(double(ground.y) + 30.0);
    if (h > position.y) mCamera->setPosition(position.x, h, position.z);
}

void ExampleHydraxDemoListener::changeSkyBox()
{
    const int i = currentSkyBox;
    showSkyBox(mSceneMgr, i);
    hydraxInstance->setSunPosition(sunPositions[i]);
    hydraxInstance->setSunColor(sunColours[i]);
    mSceneMgr->getLight("Light0")->setPosition(sunPositions[i]);
    mSceneMgr->getLight("Light0")->setSpecularColour(sunColours[i].x, sunColours[i].y, sunColours[i].z);
    Ogre::LogManager::getSingleton().logMessage("Skybox " + skyBoxNames[i] + " selected. (" +
                                                    Ogre::StringConverter::toString(i + 1) + "/" +
                                                    Ogre::StringConverter::toString(SKY_BOX_COUNT) + ")",
                                                Ogre::LML_NORMAL, false);
}

}  // namespace seaview
