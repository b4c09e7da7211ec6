#pragma once
// Every line the water layer writes to Ogre's log carries the prefix "[Hydrax] ".
#include <OgreLogManager.h>

#include <string>

namespace Hydrax {

inline void log(const std::string& message)
{
    if (Ogre::LogManager* logs = Ogre::LogManager::getSingletonPtr())
        logs->logMessage("[Hydrax] " + message, Ogre::LML_NORMAL, false);
}

}  // namespace Hydrax
