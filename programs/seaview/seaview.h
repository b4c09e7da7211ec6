#pragma once
// seaview: the water layer on its own, without simulation. An island of the
// terrain scene manager ("Island.cfg") in a sea to the horizon drawn by the
// projected grid ("HydraxDemo.hdx"), twelve palms on its shore and three sky
// boxes that M cycles, each with its own sun. The application's plain listener
// flies the camera; the scene step adds the demo's own (ExampleHydraxDemoListener).
#include "frame/ExampleApplication.h"

namespace seaview {

class SampleApp : public ExampleApplication {
public:
    // A saved configuration when there is one, else Ogre's dialog; then the
    // window, titled as every program's.
    bool configure() override;
    // The terrain scene manager, by its type name (from a plug-in "plugins.cfg" lists).
    void chooseSceneManager() override;
    void createScene() override;
};

}  // namespace seaview
