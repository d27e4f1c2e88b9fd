#pragma once
// Shared by the fuzz targets: broken inputs are the point, so their reports go nowhere, and the
// quit request they raise is cleared before the next input.

#include "base/Fatal.h"
#include "base/QuitRequest.h"

inline void ignoreFatalReport(const char*, const char*) {}

inline void silenceFatalReports() {
  static const bool silenced = (setFatalReporter(&ignoreFatalReport), true);
  (void)silenced;
}
