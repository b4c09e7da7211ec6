#pragma once
// The pieces of seaview's scene, which its scene step puts together in this
// order and the water render test draws without the palms: the sky box and the
// sun's light, the camera's pose, the sea (the projected grid to the horizon)
// and the island.
#include <OgreCamera.h>
#include <OgreSceneManager.h>
#include <OgreViewport.h>

namespace Hydrax {
class Hydrax;
namespace Module {
class ProjectedGrid;
}
}  // namespace Hydrax

namespace seaview {

// Sky box i of the tables, at the programs' sky box distance.
void showSkyBox(Ogre::SceneManager* sceneManager, int i);

// White ambient light, the current sky box and the light "Light0" at its sun,
// white, with the sun's colour as its highlights.
void createSkyAndLight(Ogre::SceneManager* sceneManager);

// Where the demo looks from: above the sea, towards the island, to the horizon.
void placeCamera(Ogre::Camera* camera);

// The sea's module for `hydrax`: the projected grid over the plane y = 0, with
// Perlin noise and vertex normals.
Hydrax::Module::ProjectedGrid* createSeaGrid(Hydrax::Hydrax* hydrax);

// The water layer drawing the sea for the camera: its grid, "HydraxDemo.hdx"
// (whether it was read in configured), created.
Hydrax::Hydrax* createSea(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, Ogre::Viewport* viewport,
                          bool& configured);

// The island of "Island.cfg", its material given the sea's depth technique.
void createIsland(Ogre::SceneManager* sceneManager, Hydrax::Hydrax* sea);

// Gives the island's material "Island" a new technique for the water's depth
// view; an Ogre::Exception names the material when there is none.
void addIslandDepthTechnique(Hydrax::Hydrax* hydrax);

}  // namespace seaview
