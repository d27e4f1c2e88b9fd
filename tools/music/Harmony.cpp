#include "tools/music/Harmony.h"

namespace music {

const ChordShape& shapeOf(Chord c) {
  static const ChordShape shapes[] = {
      /* Am */ {{57, 60, 64}, 45, {57, 60, 64, 69, 72, 76}, 3, 10},
      /* F  */ {{57, 60, 65}, 41, {53, 57, 60, 65, 69, 72}, 4, 11},
      /* C  */ {{55, 60, 64}, 48, {55, 60, 64, 67, 72, 76}, 4, 11},
      /* G  */ {{55, 59, 62}, 43, {55, 59, 62, 67, 71, 74}, 4, 10},
      /* Dm */ {{57, 62, 65}, 50, {57, 62, 65, 69, 74, 77}, 3, 10},
      /* Em */ {{55, 59, 64}, 40, {52, 55, 59, 64, 67, 71}, 3, 10},
      /* E  */ {{56, 59, 64}, 40, {56, 59, 64, 68, 71, 76}, 4, 10},
  };
  return shapes[c];
}

const Progression MAIN{Am, F, C, G};
const Progression SECOND{F, G, Am, Am, F, G, E, E};
const Progression DESCENT{Am, G, F, E};
const Progression HYPNOTIC{Am, Am, Am, Am, F, F, G, G};
const Progression SLOW{Am, Am, F, F, C, C, G, G};
const Progression LATE{F, C, G, Am};
const Progression DARK{Am, Am, Em, Em, F, F, E, E};
const Progression LIFT{Dm, F, Am, G};

}  // namespace music
