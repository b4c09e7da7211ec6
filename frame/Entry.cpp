#include "frame/Entry.h"

#include <malloc.h>

#include <cstdio>

// Mesa's software GL frees and regrows its working memory every frame. With
// glibc's defaults the large blocks are mapped and unmapped each time, and the
// free top of the heap is returned to the system, so every frame pays for fresh
// pages: a large scene (seaview's sea) drew several times slower. Up to 32 MiB
// blocks come from the heap, and up to 512 MiB of free heap is kept.
void keepFreedMemory()
{
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
}

void writeOutputByLines()
{
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
}

void reportException(const Ogre::Exception& e)
{
    std::fflush(stdout);
    std::fprintf(stderr, "An exception has occured!\n%s\n", e.getFullDescription().c_str());
}
