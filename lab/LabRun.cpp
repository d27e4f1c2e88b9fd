#include "lab/Lab.h"

// Running a script and hashing frames, apart from the files the `zod lab` command writes, so that
// builds without a file system (the web page's test hook) run the very same steps.

#include <cstdio>
#include <memory>

#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"
#include "render/TrigTables.h"
#include "stage/Show.h"

std::unique_ptr<Effect> makeLabEffect(const std::string& name) {
  const EffectKind* kind = findEffectKind(name);
  return kind ? kind->make() : nullptr;
}

void runLabScript(const LabScript& script, const LabFrameSink& onFrame, const std::function<bool()>& keepGoing) {
  clearQuitRequest();
  std::vector<Pixel> frame(SCREEN_PIXELS, 0);

  std::unique_ptr<Effect> effect;
  std::unique_ptr<ManualMillisecondCounter> counter;
  std::unique_ptr<Show> show;
  if (!script.effectName.empty()) {
    fillTrigTables();
    effect = makeLabEffect(script.effectName);
    effect->init();
  } else {
    counter = std::make_unique<ManualMillisecondCounter>();
    // The lab's sync events come from its script: no module is loaded and nothing plays.
    ShowOptions options;
    options.startMusic = false;
    show = std::make_unique<Show>(*counter, options);
  }

  int frameIndex = 0;
  for (const LabCommand& command : script.commands) {
    if (keepGoing && !keepGoing()) break;
    switch (command.kind) {
      case LabCommandKind::Render: {
        int entry = -1;
        if (effect) {
          effect->render(frame.data(), command.timeMs);
        } else {
          show->engine().sequencer().runFrame(frame.data(), command.timeMs);
          entry = show->engine().sequencer().currentIndex();
        }
        onFrame(LabFrame{frameIndex++, entry, quitRequested(), frame.data()});
        break;
      }
      case LabCommandKind::Sync:
        effect->onSync(command.code, command.timeMs);
        break;
      case LabCommandKind::Zxx:
        show->engine().sync().post(command.code);
        break;
      case LabCommandKind::Key:
        show->engine().sync().repeat();
        break;
    }
  }
}

std::string frameHash(const Pixel* frame) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (frame[i] >> shift) & 0xFFu;
      hash *= 0x100000001b3ull;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

