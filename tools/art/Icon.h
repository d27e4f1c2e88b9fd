#pragma once
// The program's icon: the crimson heart in a gold rim, floating in the steel rings of a tunnel on
// a night-blue rounded square. Drawn at each size on its own, with fewer rings and wider strokes
// where pixels are few, so that it stays legible at 16 px.

#include <cstdint>
#include <vector>

namespace art {

// The sizes the icon is written at, in pixels (square).
inline constexpr int ICON_SIZES[] = {16, 32, 48, 64, 128, 256};

// size x size pixels 0xAARRGGBB (straight alpha), rows top first.
std::vector<std::uint32_t> drawIcon(int size);

}  // namespace art
