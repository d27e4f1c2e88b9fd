#pragma once

#include <cstdint>
#include <memory>

#include "effects/Jump.h"
#include "show/Effect.h"

// A texture streaming out of five moving vanishing points. Every pixel sums its distances and
// its angles to five centres; the angle sum picks the texture column, the distance sum the row
// and the darkening. Both sums are read from two tables around one fixed centre through five
// 512 x 280 windows that follow the time, so no pixel needs trigonometry. A picture swings on
// top and jumps up on every sync event.
class TunnelEffect final : public Effect {
 public:
  static constexpr int TABLE_WIDTH = 1024;
  static constexpr int TABLE_HEIGHT = 560;
  static constexpr int TABLE_ENTRIES = TABLE_WIDTH * TABLE_HEIGHT;
  // Index of the top-left entry of the window centred on the table centre (row 140, column 256).
  static constexpr int CENTRED_WINDOW = 0x23100;
  static constexpr int WINDOWS = 5;

  struct WindowOffsets {
    int column[WINDOWS];
    int row[WINDOWS];
  };

  void init() override;
  void render(Pixel* frame, float timeMs) override;
  // The overlay's jump loses speed once per frame.
  void advance(float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // The five vanishing centres and the table windows around them, the overlay and its jump.
  void describe(StudyReport& report) const override;

  // Offsets of the five windows for the truncated show time t.
  static WindowOffsets windowOffsets(std::int32_t t);
  // Fills both TABLE_ENTRIES tables: distance and angle around the centre, times 65536.
  static void fillTables(std::int32_t* distance, std::int32_t* angle);

 private:
  std::unique_ptr<std::int32_t[]> angleTable;
  std::unique_ptr<std::int32_t[]> distanceTable;
  std::unique_ptr<Pixel[]> texture;
  std::unique_ptr<Pixel[]> overlayImage;
  // The overlay's jump, 0..26 pixels above its rest row.
  Jump bounce;
  // What the latest render used, for describe.
  std::int32_t shownTime = 0;
  WindowOffsets shownWindows{};
  int shownOverlayRow = 0;
  int shownOverlayColumn = 0;
};
