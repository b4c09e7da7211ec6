#pragma once
// Twelve palms, "Palm0" to "Palm11", on the island's shore: each at a place of
// the square (500, 500)-(2500, 2500) drawn by randomInRange whose ground lies
// between heights 20 and 105, leaning a little and of its own size.
#include <OgreSceneManager.h>

namespace seaview {

constexpr int PALM_COUNT = 12;
// Places refused before the search gives up: an island without such a shore
// would otherwise keep it drawing for ever.
constexpr int MAX_REFUSED_PLACES = 10000;

// The height band that palms stand in.
bool isShoreHeight(float y);

// Draws per refused place z and x; per palm z, x, its tilt and its scale. When
// MAX_REFUSED_PLACES places have been refused it logs that no shore was found
// and places no more palms.
void createPalms(Ogre::SceneManager* sceneManager);

}  // namespace seaview
