#include "render/TrigTables.h"

#include <bit>
#include <cstdint>

#include "render/ExactMath.h"

float cosTable[TRIG_STEPS];
float sinTable[TRIG_STEPS];

void fillTrigTables() {
  const float showPi = std::bit_cast<float>(std::uint32_t{0x40490FE6u});
  const float oneOver1024 = 0.0009765625f;
  for (int k = 0; k < TRIG_STEPS; ++k) {
    const double a = static_cast<double>(2 * k) * static_cast<double>(showPi) * static_cast<double>(oneOver1024);
    cosTable[k] = static_cast<float>(exactCos(a));
    sinTable[k] = static_cast<float>(exactSin(a));
  }
}
