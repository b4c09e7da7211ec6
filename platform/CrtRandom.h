#pragma once
// The C runtime's pseudo-random generator that the programs were written against:
// a 32-bit linear congruential generator yielding 15-bit values. glibc's rand()
// has a different sequence and range, and the scene formulas depend on this one.
#include <cstdint>

namespace platform {

constexpr int CRT_RAND_MAX = 32767;

// Seeds the generator (the state becomes the seed). Before any call the state is 1.
void crtSrand(std::uint32_t seed);

// Next value, 0 to CRT_RAND_MAX inclusive.
int crtRand();

}  // namespace platform
