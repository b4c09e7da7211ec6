#include "platform/CrtRandom.h"

namespace platform {
namespace {
std::uint32_t state = 1;
}

void crtSrand(std::uint32_t seed) { state = seed; }

int crtRand()
{
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7FFFu);
}

}  // namespace platform
