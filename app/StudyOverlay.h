#pragma once
// The study mode's overlays: what the scene described for the frame shown (show/StudyReport.h),
// drawn by the display over the picture, one colour per layer. O goes through the choices: every
// layer, then each alone, then none.

#include "display/Screen.h"
#include "show/StudyReport.h"

class StudyOverlay final : public ScreenOverlay {
 public:
  explicit StudyOverlay(const StudyReport& described) : report(described) {}

  void draw(Pixel* picture, int pitch) const override;
  // The next choice of layers; returns its name ("all", a layer's name, or "none").
  const char* nextChoice();
  bool shows(StudyLayer layer) const;

 private:
  const StudyReport& report;
  static constexpr int ALL = STUDY_LAYERS;
  static constexpr int NONE = STUDY_LAYERS + 1;
  // ALL, NONE or a layer's number: that one alone.
  int choice = ALL;
};
