#include "programs/seaview/seaview.h"

#include "programs/seaview/ExampleHydraxDemoListener.h"
#include "programs/seaview/Palms.h"
#include "programs/seaview/ProgramValues.h"
#include "programs/seaview/SeaScene.h"

namespace seaview {

bool SampleApp::configure()
{ return configureSavedOrAsked(); }

void SampleApp::chooseSceneManager()
{
    mSceneMgr = mRoot->createSceneManager("TerrainSceneManager", Ogre::StringUtil::BLANK);
}

void SampleApp::createScene()
{
    createSkyAndLight(mSceneMgr);
    placeCamera(mCamera);
    bool configured = false;  // the demo goes on without its configuration
    hydraxInstance = createSea(mSceneMgr, mCamera, mWindow->getViewport(0), configured);
    createIsland(mSceneMgr, hydraxInstance);
    createPalms(mSceneMgr);
    mRoot->addFrameListener(new ExampleHydraxDemoListener(mWindow, mCamera, mSceneMgr));
}

}  // namespace seaview
