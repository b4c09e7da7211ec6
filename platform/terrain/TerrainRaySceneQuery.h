#pragma once
// The terrain scene manager's ray query: the generic query's movables, plus the
// terrain's surface as a world fragment of type single intersection (a point in
// the terrain's own coordinates) when the type mask holds the world geometry.
#include <OgreSceneManager.h>

namespace platform {

class TerrainSceneManager;

class TerrainRaySceneQuery : public Ogre::DefaultRaySceneQuery {
public:
    // Looks at the creator's terrain at each execute (there may be none yet).
    explicit TerrainRaySceneQuery(TerrainSceneManager* creator);

    void execute(Ogre::RaySceneQueryListener* listener) override;
    using Ogre::RaySceneQuery::execute;

private:
    // Lives as long as the results that point at it.
    WorldFragment mFragment;
};

}  // namespace platform
