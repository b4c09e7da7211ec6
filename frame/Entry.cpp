#include "frame/Entry.h"

#include <cstdio>

void reportException(const Ogre::Exception& e)
{
    std::fflush(stdout);
    std::fprintf(stderr, "An exception has occured!\n%s\n", e.getFullDescription().c_str());
}
