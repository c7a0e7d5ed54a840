// The program's one pseudo-random generator: Park-Miller minimal standard (multiplier 48271,
// modulus 2^31 - 1), starting from the same seed on every run.
#pragma once

#include <cstdint>

// An integer from min to max inclusive; the bounds may come in either order.
int32_t RandomInt(int32_t min, int32_t max);
// A value in [min, max); the bounds may come in either order, equal bounds give that bound.
double RandomFloat(double min, double max);
// A value in [0, 1) with 53 random bits.
double RandomUnit();
// A value in [0, 1) with 24 random bits.
float RandomUnitFloat();
// Seeds with seed AND 0x7FFFFFFF; the two values the generator cannot hold (0 and 2^31 - 1)
// give the start-up seed 4660 instead.
void SetRandomSeed(int32_t seed);
int32_t CurrentRandomSeed();
