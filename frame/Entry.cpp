#include "frame/Entry.h"

#include <cstdio>

void writeOutputByLines()
{
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
}

void reportException(const Ogre::Exception& e)
{
    std::fflush(stdout);
    std::fprintf(stderr, "An exception has occured!\n%s\n", e.getFullDescription().c_str());
}
