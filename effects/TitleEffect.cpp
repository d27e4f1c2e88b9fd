#include "effects/TitleEffect.h"

#include <cmath>

#include "render/TitleRow.h"
#include "image/ShowPictures.h"
#include "render/ExactMath.h"
#include "render/FloatToInt.h"
#include "show/StudyReport.h"

namespace {
constexpr float ONE_TURN = 6.2831907f;
constexpr float TWO_TURNS = 12.566381f;
constexpr float PER_STEP = 0.0009765625f;  // 1/1024
constexpr double ONE_TURN_AS_DOUBLE = 6.283190727233887;
constexpr double TWO_TURNS_AS_DOUBLE = 12.566381454467773;

constexpr float SPEED_1 = 0.43478262f;
constexpr float SPEED_2 = 0.5f;
constexpr float SPEED_3 = 0.6666667f;
constexpr float ZOOM_SPEED = 0.0015015015f;   // 1/666 per millisecond
constexpr float SWING_SPEED = 0.0027322404f;  // 1/366 per millisecond
constexpr float SLIDE_SPEED = 0.004464286f;   // 1/224 per millisecond
constexpr float SLIDE_RANGE = -116.0f;
constexpr int SLIDE_MIDDLE = 116;
constexpr int HALF_HEIGHT = FRAME_HEIGHT / 2;
constexpr int HALF_WIDTH = FRAME_WIDTH / 2;
// The title texel at the frame's middle.
constexpr double TITLE_MIDDLE = 127.0;
constexpr std::uint32_t WAVE_MASK = TitleEffect::WAVE_STEPS - 1;
// The sliding picture is the two scroll pictures one above the other.
static_assert(BALLE.width == TitleEffect::SCROLL_WIDTH && BLOCKCHEN.width == TitleEffect::SCROLL_WIDTH &&
              BALLE.height + BLOCKCHEN.height == TitleEffect::SCROLL_HEIGHT);
static_assert(TITEL.pixels() == TEXTURE_PIXELS);
}  // namespace

void TitleEffect::fillWaveTables(std::int32_t* waveA, std::int32_t* waveB, std::int32_t* waveC,
                                 std::int32_t* shadeWave) {
  const double waveAFactor = exactCos(TWO_TURNS_AS_DOUBLE);
  const double waveBFactor = exactCos(ONE_TURN_AS_DOUBLE);
  for (int i = 0; i < WAVE_STEPS; ++i) {
    const double oneTurn = static_cast<double>(i) * ONE_TURN * PER_STEP;
    const double twoTurns = static_cast<double>(i) * TWO_TURNS * PER_STEP;
    waveA[i] = floatToInt(exactSin(oneTurn) * waveAFactor * 100.0);
    waveB[i] = floatToInt(exactSin(twoTurns) * waveBFactor * -40.0);
    waveC[i] = floatToInt(30.0 * exactCos(oneTurn));
    shadeWave[i] = floatToInt(exactCos(oneTurn) * 127.5 + 128.0);
  }
}

void TitleEffect::drawTitlePlane(Pixel* frame, const Pixel* titleImage, double rs, double rc) {
  for (int y = 0; y < FRAME_HEIGHT; ++y) {
    titlePlaneRow(frame + y * FRAME_WIDTH, titleImage, y - HALF_HEIGHT, rs, rc);
  }
}

TitleEffect::Swing TitleEffect::swingAt(float timeMs) const {
  const double t = timeMs;
  const double zoom = exactCos(t * ZOOM_SPEED) * 0.5 + 1.0;
  const double phase = (static_cast<double>(floatToInt(t)) - lastSyncTime) * SWING_SPEED;
  const double rs = zoom * exactSin(phase);
  // The cosine of the scaled sine, not of the phase: the picture shears a little as it swings.
  return {rs, zoom * exactCos(rs), zoom, phase};
}

void TitleEffect::drawTitlePlaneAt(Pixel* frame, float timeMs) const {
  const Swing swing = swingAt(timeMs);
  drawTitlePlane(frame, titleImage.get(), swing.rs, swing.rc);
}

void TitleEffect::init() {
  textureA = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  textureB = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  titleImage = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  scrollImage = std::make_unique<Pixel[]>(SCROLL_WIDTH * SCROLL_HEIGHT);
  loadShowPicture(titleImage.get(), TITEL);
  loadShowPicture(scrollImage.get(), BALLE);
  loadShowPicture(scrollImage.get() + BALLE.pixels(), BLOCKCHEN);
  loadShowPicture(textureA.get(), TEGEL1);
  loadShowPicture(textureB.get(), TEGEL3);
  waveA = std::make_unique<std::int32_t[]>(WAVE_STEPS);
  waveB = std::make_unique<std::int32_t[]>(WAVE_STEPS);
  waveC = std::make_unique<std::int32_t[]>(WAVE_STEPS);
  shadeWave = std::make_unique<std::int32_t[]>(WAVE_STEPS);
  fillWaveTables(waveA.get(), waveB.get(), waveC.get(), shadeWave.get());
  lastSyncTime = 0.0f;
}

void TitleEffect::render(Pixel* frame, float timeMs) {
  const double t = timeMs;
  const std::int32_t wholeTime = floatToInt(t);
  // Index sums wrap modulo 2^32 before masking, so they are formed unsigned.
  const auto time1 = static_cast<std::uint32_t>(floatToInt(t * SPEED_1));
  const auto time2 = static_cast<std::uint32_t>(floatToInt(t * SPEED_2));
  const auto time3 = static_cast<std::uint32_t>(floatToInt(t * SPEED_3));
  const std::uint32_t halfTime = static_cast<std::uint32_t>(wholeTime) >> 1;

  const Swing swing = swingAt(timeMs);
  shownSwing = swing;
  const double rs = swing.rs;
  const double rc = swing.rc;

  const std::int32_t* a = waveA.get();
  const std::int32_t* b = waveB.get();
  const std::int32_t* c = waveC.get();
  const std::int32_t* shade = shadeWave.get();

  // The pattern's texel coordinates split into a part that depends on the column only and one
  // that depends on the row only; both are formed once per frame.
  std::uint32_t greyOfColumn[FRAME_WIDTH];
  std::uint32_t rowAOfColumn[FRAME_WIDTH];
  std::uint32_t rowBOfColumn[FRAME_WIDTH];
  std::uint32_t columnBOfColumn[FRAME_WIDTH];
  for (int xi = 0; xi < FRAME_WIDTH; ++xi) {
    const auto x = static_cast<std::uint32_t>(xi);
    const std::int32_t s = (shade[(x + time3) & WAVE_MASK] + shade[(halfTime + 2 * x) & WAVE_MASK]) >> 1;
    greyOfColumn[xi] = greyWord(static_cast<std::uint8_t>(s));
    rowAOfColumn[xi] = static_cast<std::uint32_t>(c[(time3 + 4 * x) & WAVE_MASK]);
    rowBOfColumn[xi] = static_cast<std::uint32_t>(c[(x + time3 + 40) & WAVE_MASK]);
    columnBOfColumn[xi] = x - static_cast<std::uint32_t>(a[(time3 + 4 * x) & WAVE_MASK]);
  }

  const std::int32_t slide = floatToInt(exactSin(t * SLIDE_SPEED) * SLIDE_RANGE);
  shownSlide = slide;
  const Pixel* slideRows = scrollImage.get() + (SLIDE_MIDDLE - slide) * SCROLL_WIDTH;

  TitleRowInputs in{};
  in.titleImage = titleImage.get();
  in.textureA = textureA.get();
  in.textureB = textureB.get();
  in.greyOfColumn = greyOfColumn;
  in.rowAOfColumn = rowAOfColumn;
  in.rowBOfColumn = rowBOfColumn;
  in.columnBOfColumn = columnBOfColumn;
  in.rs = rs;
  in.rc = rc;
  for (int yi = 0; yi < FRAME_HEIGHT; ++yi) {
    const auto y = static_cast<std::uint32_t>(yi);
    in.slideRow = slideRows + yi * SCROLL_WIDTH;
    in.rowA = y - static_cast<std::uint32_t>(c[(time3 + y) & WAVE_MASK]);
    in.columnA = static_cast<std::uint32_t>(a[(time2 + 4 * y) & WAVE_MASK]) +
                 static_cast<std::uint32_t>(b[(time1 + 4 * y) & WAVE_MASK]);
    in.rowB = y - static_cast<std::uint32_t>(c[(time2 + 20 + y) & WAVE_MASK]);
    in.columnB = static_cast<std::uint32_t>(b[(time3 + 60 + 2 * y) & WAVE_MASK]);
    in.y = yi - HALF_HEIGHT;
    titleRow(frame + yi * FRAME_WIDTH, in);
  }
}

void TitleEffect::onSync(std::int32_t, float timeMs) { lastSyncTime = timeMs; }

void TitleEffect::describe(StudyReport& report) const {
  report.value("zoom", shownSwing.zoom);
  report.value("swing", shownSwing.phase, "rad");
  report.value("rs", shownSwing.rs);
  report.value("rc", shownSwing.rc);
  report.value("slide", shownSlide, "px");
  report.value("since cue", static_cast<double>(report.timeMs()) - lastSyncTime, "ms");
  // Frame offset (x, y) from the middle shows title texel (x rc - y rs, x rs + y rc) + 127.
  StudyMapping title;
  title.centreX = HALF_WIDTH;
  title.centreY = HALF_HEIGHT;
  title.uPerX = shownSwing.rc;
  title.uPerY = -shownSwing.rs;
  title.vPerX = shownSwing.rs;
  title.vPerY = shownSwing.rc;
  title.uCentre = TITLE_MIDDLE;
  title.vCentre = TITLE_MIDDLE;
  report.mappedAxes(StudyLayer::Axes, title, TEXTURE_SIZE / 2);
  report.mappedSquare(StudyLayer::Paths, title, TEXTURE_SIZE);
  // Frame row 0 shows the sliding picture's row SLIDE_MIDDLE - slide.
  report.rect(StudyLayer::Pictures, 0.0, shownSlide - SLIDE_MIDDLE, SCROLL_WIDTH, SCROLL_HEIGHT);
}
