#pragma once
// Deterministic value noise for the generated terrains: the same numbers on
// every machine and in every build, drawing on no random generator.
#include <cstdint>

// Smooth noise in [0, 1] on a unit lattice.
double valueNoise(double x, double y, std::uint32_t seed);

// Sum of `octaves` layers of value noise, each of twice the frequency and half
// the weight of the one before, scaled back to [0, 1].
double fractalNoise(double x, double y, int octaves, std::uint32_t seed);

// Cubic ease from 0 at edge0 to 1 at edge1 (either order), clamped outside.
double smoothstep(double edge0, double edge1, double x);
