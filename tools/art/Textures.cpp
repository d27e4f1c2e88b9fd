// The four textures. The effects sample them modulo 256 in both directions, so every feature
// here is a function of the coordinates that repeats every 256 pixels: cells that divide 256,
// noise with a 256-pixel period, and distances measured around the wrap.

#include <algorithm>
#include <cmath>

#include "Palette.h"
#include "Pictures.h"

namespace art {

namespace {

constexpr int SIZE = 256;

template <typename Shade>
std::vector<std::uint32_t> texture(Shade shade) {
  std::vector<std::uint32_t> out(SIZE * SIZE);
  for (int y = 0; y < SIZE; ++y) {
    for (int x = 0; x < SIZE; ++x) out[static_cast<std::size_t>(y) * SIZE + x] = toPixel(shade(x + 0.5, y + 0.5));
  }
  return out;
}

// Diffuse and specular light of a height field given as a function, by central differences.
template <typename Height>
Light lightOf(Height height, double x, double y, double depth, int shininess) {
  const double dx = (height(x + 0.5, y) - height(x - 0.5, y)) * depth;
  const double dy = (height(x, y + 0.5) - height(x, y - 0.5)) * depth;
  const double nl = std::sqrt(dx * dx + dy * dy + 1.0);
  const double lx = -0.5, ly = -0.6, lz = 0.62;
  const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  const double nDotL = (-dx * lx - dy * ly + lz) / (nl * ll);
  const double hx = lx / ll, hy = ly / ll, hz = lz / ll + 1.0;
  const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  const double nDotH = (-dx * hx - dy * hy + hz) / (nl * hl);
  return {clamp01(nDotL), powInt(clamp01(nDotH), shininess)};
}

// Position inside a square cell of the given size, centred: -size/2 .. size/2.
double cellLocal(double v, double size) { return v - std::floor(v / size) * size - size / 2; }
int cellIndex(double v, double size) { return static_cast<int>(std::floor(v / size)); }

double roundedBox(double lx, double ly, double half, double radius) {
  const double qx = std::fabs(lx) - half + radius;
  const double qy = std::fabs(ly) - half + radius;
  const double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
  const double inside = qx > qy ? qx : qy;
  return std::sqrt(ox * ox + oy * oy) + (inside < 0 ? inside : 0) - radius;
}

}  // namespace

// Glazed azure tiles, two by two, each with a gold diamond in the middle and broad, soft quarter
// rings in the corners that close into circles around the grout crossings. The cells are large
// and the rings wide and gentle because the sphere and the title show the tiles shrunk and
// warped: thin bright lines would break up into moire there. Glaze, grout and diamond hearts all
// keep a strong blue over little red and green: the sphere darkens the tiles with distance by
// taking the same amount off every channel, and a strong blue stays visible long after red and
// green have gone to black; and the title adds these tiles to tegel3's below its logo, which
// must stay darker than the logo.
std::vector<std::uint32_t> drawTegel1() {
  constexpr double CELL = 128.0;
  auto tileSdf = [](double x, double y) { return roundedBox(cellLocal(x, CELL), cellLocal(y, CELL), 60.0, 12.0); };
  auto height = [&](double x, double y) { return smoothstep(0.0, 12.0, -tileSdf(x, y)); };
  return texture([&](double x, double y) {
    const double lx = cellLocal(x, CELL), ly = cellLocal(y, CELL);
    const auto cx = static_cast<std::uint32_t>(wrap(cellIndex(x, CELL), 2));
    const auto cy = static_cast<std::uint32_t>(wrap(cellIndex(y, CELL), 2));
    const double sdf = tileSdf(x, y);
    const double tileCover = clamp01(0.5 - sdf);

    const double grain = tiledFbm(x, y, 16, 16, 3, 11);
    Rgb grout = mix(rgb(0x3054B8), palette::STEEL, 0.18 + 0.2 * grain);

    const double variation = hashUnit(cx, cy, 7);
    Rgb glaze = mix(rgb(0x1030E0), rgb(0x3060FF), 0.25 + 0.35 * variation);
    glaze = glaze * (0.86 + 0.28 * tiledFbm(x, y, 8, 8, 3, 21));

    // Corner quarter rings: distance to the nearest cell corner, a broad band with soft flanks.
    const double dcx = std::fabs(lx) - CELL / 2, dcy = std::fabs(ly) - CELL / 2;
    const double cornerDist = std::sqrt(dcx * dcx + dcy * dcy);
    const double ring = 1.0 - smoothstep(2.0, 7.0, std::fabs(cornerDist - 40.0));
    glaze = mix(glaze, palette::SKY * 0.78, 0.7 * ring);

    // Centre diamond: a gold frame with soft edges, a navy heart and a gold dot.
    const double diamond = (std::fabs(lx) + std::fabs(ly)) * 0.70710678;
    const double frame = smoothstep(13.0, 16.0, diamond) * (1.0 - smoothstep(22.0, 25.0, diamond));
    const double core = 1.0 - smoothstep(12.0, 14.5, diamond);
    glaze = mix(glaze, rgb(0x1C2C9C), core);
    glaze = mix(glaze, palette::GOLD * 0.82, frame);
    const double dot = 1.0 - smoothstep(3.5, 6.0, std::sqrt(lx * lx + ly * ly));
    glaze = mix(glaze, palette::GOLD * 0.92, dot);

    const Light light = lightOf(height, x, y, 9.0, 30);
    Rgb lit = glaze * (0.62 + 0.5 * light.diffuse) + palette::WHITE * (0.45 * light.specular);
    return mix(grout, lit, tileCover);
  });
}

// Octagons in copper and amber with small teal squares turned on their corners between them.
std::vector<std::uint32_t> drawTegel3() {
  constexpr double CELL = 64.0;
  auto octagonSdf = [](double lx, double ly) {
    const double ax = std::fabs(lx), ay = std::fabs(ly);
    const double d = (ax + ay) * 0.70710678;
    double m = ax > ay ? ax : ay;
    if (d > m) m = d;
    return m - 28.0;
  };
  auto diamondSdf = [](double lx, double ly) {
    const double dx = std::fabs(lx) - CELL / 2, dy = std::fabs(ly) - CELL / 2;
    return (std::fabs(dx) + std::fabs(dy)) * 0.70710678 - 14.5;
  };
  auto height = [&](double x, double y) {
    const double lx = cellLocal(x, CELL), ly = cellLocal(y, CELL);
    const double a = smoothstep(0.0, 6.0, -octagonSdf(lx, ly));
    const double b = smoothstep(0.0, 4.0, -diamondSdf(lx, ly));
    return a > b ? a : b;
  };
  return texture([&](double x, double y) {
    // Octagons centred on the picture's edges: the wrap-around runs through their calm middles.
    x += CELL / 2;
    y += CELL / 2;
    const double lx = cellLocal(x, CELL), ly = cellLocal(y, CELL);
    const auto cx = static_cast<std::uint32_t>(wrap(cellIndex(x, CELL), 4));
    const auto cy = static_cast<std::uint32_t>(wrap(cellIndex(y, CELL), 4));
    const double grain = tiledFbm(x, y, 32, 32, 2, 31);
    Rgb colour = mix(palette::NIGHT, palette::NAVY, 0.4 + 0.5 * grain);

    const double oct = octagonSdf(lx, ly);
    const double variation = hashUnit(cx, cy, 17);
    Rgb clay = mix(palette::COPPER, palette::AMBER, 0.15 + 0.45 * variation) * 0.78;
    clay = clay * (0.84 + 0.3 * tiledFbm(x, y, 8, 8, 3, 41));
    // An inner line and a darker centre give the tunnel rings to follow.
    const double ax = std::fabs(lx), ay = std::fabs(ly);
    double inner = (ax + ay) * 0.70710678;
    if (ax > inner) inner = ax;
    if (ay > inner) inner = ay;
    const double line = clamp01(1.6 - std::fabs(inner - 18.0));
    clay = mix(clay, palette::DARK_COPPER, 0.75 * line);
    clay = mix(clay, palette::GOLD * 0.8, clamp01(0.5 + (7.0 - inner)) * 0.85);

    const double dia = diamondSdf(lx, ly);
    Rgb teal = mix(palette::STEEL, palette::SKY, 0.35 + 0.3 * hashUnit(static_cast<std::uint32_t>(wrap(cellIndex(x + 32, CELL), 4)),
                                                                     static_cast<std::uint32_t>(wrap(cellIndex(y + 32, CELL), 4)), 19));

    const Light light = lightOf(height, x, y, 6.0, 28);
    const double shade = 0.6 + 0.52 * light.diffuse;
    const Rgb glint = palette::WHITE * (0.45 * light.specular);
    colour = mix(colour, clay * shade + glint, clamp01(0.5 - oct));
    colour = mix(colour, teal * shade + glint, clamp01(0.5 - dia));
    // A shade darker than it is lit: the title adds these tiles to tegel1's below its logo.
    return colour * 0.85;
  });
}

// Four planks of warm wood with ring grain that wanders, fibres along the plank, a butt joint
// in each plank and two knots.
std::vector<std::uint32_t> drawWood1() {
  constexpr double PLANK = 64.0;
  struct Knot {
    double x, y, strength;
  };
  const Knot knots[] = {{70.0, 64.0 + 30.0, 5.0}, {190.0, 192.0 + 36.0, 4.0}};
  return texture([&](double x, double y) {
    const int plank = wrap(cellIndex(y, PLANK), 4);
    const double ly = y - std::floor(y / PLANK) * PLANK;
    const auto p = static_cast<std::uint32_t>(plank);
    const double offset = hashUnit(p, 0, 51) * 40.0;

    double phase = ly + offset + 12.0 * (tiledFbm(x, y, 3, 8, 3, 61 + p) - 0.5) + 3.0 * (tiledNoise(x, y, 12, 32, 71 + p) - 0.5);
    double knotDark = 0.0;
    for (const Knot& k : knots) {
      if (std::floor(k.y / PLANK) != plank) continue;
      const double dx = ringDelta(x, k.x, 256.0) / 14.0;
      const double dy = (y - std::floor(y / PLANK) * PLANK + plank * PLANK - k.y) / 7.0;
      const double r2 = dx * dx + dy * dy;
      phase += k.strength * 3.0 / (1.0 + r2) * (dy < 0 ? -1.0 : 1.0);
      knotDark += 1.0 / (1.0 + r2 * r2 * 4.0);
    }
    const double rings = phase / 6.5;
    const double f = rings - std::floor(rings);
    const double late = smoothstep(0.0, 0.18, f) * (1.0 - smoothstep(0.45, 1.0, f));

    const Rgb light = rgb(0x9C5E30);
    const Rgb dark = rgb(0x4E2812);
    const double tint = 0.9 + 0.16 * hashUnit(p, 1, 53);
    Rgb wood = mix(light, dark, 0.15 + 0.6 * late) * tint;
    const double fibre = tiledNoise(x, y, 16, 256, 81 + p) * 0.6 + tiledNoise(x, y, 32, 256, 91) * 0.4;
    wood = wood * (0.84 + 0.26 * fibre);
    wood = mix(wood, rgb(0x2A1208), clamp01(knotDark * 0.85));

    // Dark gaps between planks and at the joints, with a soft edge on the boards.
    const double edge = std::min(ly, PLANK - ly);
    double gap = 1.0 - smoothstep(0.4, 2.6, edge);
    const double joint = static_cast<double>(hash(p, 2, 57) % 256u) + 0.5;
    const double jd = std::fabs(ringDelta(x, joint, 256.0));
    const double jointGap = 1.0 - smoothstep(0.4, 2.2, jd);
    if (jointGap > gap) gap = jointGap;
    return mix(wood, rgb(0x1A0C06), gap * 0.9);
  });
}

// Blued steel in four plates of two tempers: near-black grooved seams, domed rivets that catch a
// bright highlight, one broad polished strip down each plate, and a grated hatch in a polished,
// bolted rim on a darker plate. The plates sit in the middle tones and sweep from dark to light
// across the picture, so that the square tunnel's light rays smear a full range of tones rather
// than black against white; the hatch lies along the middle of the tunnel's walls (small u), so
// even where the rays smear the whole tunnel from afar it keeps a dark end to the range.
std::vector<std::uint32_t> drawMetal1() {
  constexpr double PLATE = 128.0;
  // Signed distance to a plate's polished strip, which runs down the plate (along the square
  // tunnel's depth) off the plate's middle line, so the wrap never cuts one; neighbouring plates
  // carry it on opposite sides.
  auto stripDistance = [](double lx, std::uint32_t px, std::uint32_t py) {
    return std::fabs(lx + ((px + py) % 2 == 0 ? -32.0 : 32.0)) - 29.0;
  };
  // Signed distance to the hatch, which lies on one darker plate just beside the plate's middle line
  // across the wrap (not on it), so the tunnel shows it along its walls' middles; positive elsewhere.
  constexpr double HATCH_X = 30.0, HATCH_Y = -18.0, HATCH_HALF = 28.0, HATCH_LONG = 40.0, HATCH_RIB = 6.0;
  auto hatchDistance = [](double lx, double ly, std::uint32_t px, std::uint32_t py) {
    if (px != 0 || py != 1) return PLATE;
    // Taller than wide: the square box stretched by moving its middle apart.
    const double dy = std::fabs(ly - HATCH_Y) - (HATCH_LONG - HATCH_HALF);
    return roundedBox(lx - HATCH_X, dy > 0.0 ? dy : 0.0, HATCH_HALF, 4.0);
  };
  auto height = [&](double x, double y) {
    const double lx = cellLocal(x, PLATE), ly = cellLocal(y, PLATE);
    const auto px = static_cast<std::uint32_t>(wrap(cellIndex(x, PLATE), 2));
    const auto py = static_cast<std::uint32_t>(wrap(cellIndex(y, PLATE), 2));
    const double edge = PLATE / 2 - std::max(std::fabs(lx), std::fabs(ly));
    double h = smoothstep(0.5, 4.0, edge) * 0.6;
    h += 0.25 * smoothstep(0.0, 2.5, -stripDistance(lx, px, py)) * smoothstep(6.0, 10.0, edge);
    // Rivets 9 pixels in from the plate edge: one in each corner and two along each side, none
    // on the middle lines of a plate, where the picture wraps. The plate is symmetric, so one
    // quadrant's three rivets serve all four.
    const double ax = std::fabs(lx), ay = std::fabs(ly);
    const double in = PLATE / 2 - 9.0;
    const double rivets[3][2] = {{in, in}, {16.0, in}, {in, 16.0}};
    const double hatch = hatchDistance(lx, ly, px, py);
    for (const auto& r : rivets) {
      const double d = std::sqrt((ax - r[0]) * (ax - r[0]) + (ay - r[1]) * (ay - r[1]));
      if (d < 5.0 && hatch > 6.0) {  // the hatch's own bolts stand in for the rivets it covers
        const double dome = std::sqrt(25.0 - d * d) / 5.0;
        if (0.6 + dome > h) h = 0.6 + dome;
      }
    }
    if (hatch < 0.0) {
      // A raised rim, lit on its outer top-left bevel, round a flat cover sunk below the plate (a
      // ribbed cover would throw highlights that lift the dark end the tunnel needs).
      h = 0.6 + smoothstep(0.0, 1.5, -hatch) * 0.25 - smoothstep(3.0, 4.5, -hatch) * 0.5;
      // Four bolts on the rim, one in each of its corners.
      const double bx = std::fabs(lx - HATCH_X) - (HATCH_HALF - 3.5), by = std::fabs(ly - HATCH_Y) - (HATCH_LONG - 3.5);
      const double d = std::sqrt(bx * bx + by * by);
      if (d < 3.5) h = std::max(h, 0.85 + 0.6 * std::sqrt(12.25 - d * d) / 3.5);
    }
    return h;
  };
  return texture([&](double x, double y) {
    // Plates centred on the picture's edges, so the wrap-around falls in the middle of a plate.
    x += PLATE / 2;
    y += PLATE / 2;
    const double lx = cellLocal(x, PLATE), ly = cellLocal(y, PLATE);
    const auto px = static_cast<std::uint32_t>(wrap(cellIndex(x, PLATE), 2));
    const auto py = static_cast<std::uint32_t>(wrap(cellIndex(y, PLATE), 2));
    const double brushed = tiledFbm(x, y, 4, 128, 3, 101 + px * 2 + py) * 0.7 + tiledNoise(x, y, 2, 256, 111) * 0.3;
    const double sheen = 0.5 + 0.5 * cosine(TWO_PI * (x + y) / 256.0);
    Rgb steel = mix(rgb(0x262E40), rgb(0x8494B0), 0.05 + 0.25 * brushed + 0.7 * sheen);
    steel = steel * ((px + py) % 2 == 0 ? 1.4 : 1.0);  // plates of two tempers, light and darker
    // The hatch's cover is blackened steel, darkest in the shadow at the foot of its rim.
    const double hatch = hatchDistance(lx, ly, px, py);
    if (hatch < 0.0) {
      const double cover = smoothstep(3.0, 4.5, -hatch);
      // A grating of diagonal bars over a black well: bars that catch a little light, gaps that do not.
      const double bar = smoothstep(0.55, 0.9, 0.5 + 0.5 * cosine(TWO_PI * (lx + ly) / HATCH_RIB));
      const Rgb blackened = mix(rgb(0x010203), rgb(0x3A4458), 0.05 + 0.8 * bar * (0.5 + 0.5 * brushed)) *
                            (1.0 - 0.5 * smoothstep(7.0, 4.5, -hatch));
      // The rim is bright polished steel, so the hatch reads as a fitted part, not a hole.
      steel = mix(steel, rgb(0xB4C4D8), clamp01(0.5 - hatch) * (1.0 - cover));
      steel = mix(steel, blackened, cover);
    }

    // The polished strip: bright ice-white steel, brightest along its middle.
    const double strip = stripDistance(lx, px, py);
    const double stripCover = clamp01(0.5 - strip) * smoothstep(5.0, 9.0, PLATE / 2 - std::max(std::fabs(lx), std::fabs(ly)));
    // The polished strip: pale steel, brightest along its middle. Its red and blue stay short of
    // full scale so that the plane's logo, added onto it, keeps a colour instead of turning white.
    const Rgb polished = mix(rgb(0xD4E8E8), rgb(0xE4F8F0), smoothstep(0.0, 8.0, -strip)) * (0.92 + 0.16 * brushed);
    steel = mix(steel, polished, stripCover);
    // Rivet heads are polished too, so their highlights sparkle on the dark plates.
    steel = mix(steel, rgb(0x8494AE), clamp01((height(x, y) - 0.85) * 4.0));

    const Light light = lightOf(height, x, y, 7.0, 40);
    Rgb lit = steel * (0.5 + 0.6 * light.diffuse) + palette::WHITE * (0.95 * light.specular);
    // Near-black grooves between the plates.
    const double edge = PLATE / 2 - std::max(std::fabs(lx), std::fabs(ly));
    lit = mix(rgb(0x05070C), lit, smoothstep(2.0, 6.0, edge));
    return lit;
  });
}

}  // namespace art
