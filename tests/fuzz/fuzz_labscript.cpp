// The lab's script parser on arbitrary text: whatever it accepts must be a script the lab can run
// as is, and whatever it refuses must say on which line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "lab/LabScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  LabScript script;
  std::string error;
  if (!parseLabScript(in, script, error)) {
    if (error.rfind("line ", 0) != 0) std::abort();
    return 0;
  }
  if (!script.effectName.empty() && !isLabEffectName(script.effectName)) std::abort();
  const bool effectMode = !script.effectName.empty();
  int line = 0;
  for (const LabCommand& command : script.commands) {
    if (command.line <= line) std::abort();
    line = command.line;
    if ((command.kind == LabCommandKind::Sync) != effectMode && command.kind != LabCommandKind::Render) std::abort();
    if (!std::isfinite(command.timeMs)) std::abort();
  }
  return 0;
}
