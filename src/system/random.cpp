// The Park-Miller generator, computed with Schrage's method so that no intermediate value
// leaves 32-bit signed range.
#include "system/random.h"

#include <cmath>

namespace {

constexpr int32_t kStartSeed = 4660;
constexpr int32_t kModulus = 2147483647;
constexpr int32_t kMultiplier = 48271;
constexpr int32_t kQuotient = 44488;  // kModulus / kMultiplier
constexpr int32_t kRemainder = 3399;  // kModulus % kMultiplier

// Always in 1 to 2^31 - 2.
int32_t RandomSeed = kStartSeed;

int32_t Step() {
  int32_t s = kMultiplier * (RandomSeed % kQuotient) - kRemainder * (RandomSeed / kQuotient);
  if (s < 0) s += kModulus;
  RandomSeed = s;
  return s;
}

}  // namespace

double RandomUnit() {
  int32_t s1 = Step();
  int32_t s2 = Step();
  return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

float RandomUnitFloat() {
  return static_cast<float>((Step() & 0x0FFFFFF0) / 268435456.0);
}

double RandomFloat(double min, double max) {
  double u = RandomUnit();
  if (max > min) return min + u * (max - min);
  return max + u * (min - max);
}

int32_t RandomInt(int32_t min, int32_t max) {
  double u = RandomUnit();
  double d = static_cast<double>(max) - static_cast<double>(min);
  double x = d > 0 ? min + u * (d + 1) : max + u * (1 - d);
  // Rounding down, not toward zero: for x >= 0 the two agree, and below 0 truncation would
  // return max + 1 for an all-negative range and make 0 twice as likely as its neighbours.
  double high = d > 0 ? max : min;
  // NOTE: over the full 32-bit range u * (d + 1) can round up to d + 1 itself.
  if (x >= high + 1.0) x = high;
  return static_cast<int32_t>(std::floor(x));
}

void SetRandomSeed(int32_t seed) {
  int32_t s = seed & 0x7FFFFFFF;
  RandomSeed = (s == 0 || s == kModulus) ? kStartSeed : s;
}

int32_t CurrentRandomSeed() {
  return RandomSeed;
}
