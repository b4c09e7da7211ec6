#include "platform/terrain/TerrainRaySceneQuery.h"

#include "platform/terrain/TerrainSceneManager.h"

namespace platform {

TerrainRaySceneQuery::TerrainRaySceneQuery(TerrainSceneManager* creator) : Ogre::DefaultRaySceneQuery(creator)
{
    mSupportedWorldFragments.insert(WFT_SINGLE_INTERSECTION);
    mWorldFragmentType = WFT_SINGLE_INTERSECTION;
    mFragment.fragmentType = WFT_SINGLE_INTERSECTION;
    mFragment.planes = nullptr;
    mFragment.geometry = nullptr;
    mFragment.renderOp = nullptr;
}

void TerrainRaySceneQuery::execute(Ogre::RaySceneQueryListener* listener)
{
    const HeightField* surface = static_cast<TerrainSceneManager*>(mParentSceneMgr)->getHeightField();
    if (surface && (mQueryTypeMask & Ogre::SceneManager::WORLD_GEOMETRY_TYPE_MASK)) {
        float distance;
        if (surface->intersect(mRay, distance, mFragment.singleIntersection) &&
            !listener->queryResult(&mFragment, distance))
            return;
    }
    Ogre::DefaultRaySceneQuery::execute(listener);
}

}  // namespace platform
