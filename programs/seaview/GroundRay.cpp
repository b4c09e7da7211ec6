#include "programs/seaview/GroundRay.h"

#include <memory>

namespace seaview {

bool groundBelow(Ogre::SceneManager* sceneManager, const Ogre::Vector3& origin, Ogre::Vector3& ground)
{
    // The scene manager owns its queries until they are destroyed: one made
    // every frame and never destroyed would grow for as long as the program runs.
    auto destroy = [sceneManager](Ogre::RaySceneQuery* q) { sceneManager->destroyQuery(q); };
    std::unique_ptr<Ogre::RaySceneQuery, decltype(destroy)> query(
        sceneManager->createRayQuery(Ogre::Ray(origin, Ogre::Vector3::NEGATIVE_UNIT_Y), 0xFFFFFFFF), destroy);
    const Ogre::RaySceneQueryResult& result = query->execute();
    if (result.empty() || !result.front().worldFragment) return false;
    ground = result.front().worldFragment->singleIntersection;
    return true;
}

}  // namespace seaview
