#pragma once
// The mix: how loud each instrument sits against the volumes the parts write.

#include <cstdint>

namespace music {

// The gain a written volume gets for `instrument`, the master level included.
double mixGain(std::uint8_t instrument);

}  // namespace music
