#pragma once
// The lab's script language: one command per line, '#' starts a comment, blank lines are ignored.
//
//   effect NAME      first command only: run one effect alone (effect mode)
//   render T         draw one frame at show time T
//   sync CODE T      effect mode: the effect's onSync(CODE, T)
//   zxx CODE         show mode: a sync event from the music
//   key              show mode: a key other than Escape
//
// Times are decimal literals rounded once to the nearest 32-bit float; codes are 0..255.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

enum class LabCommandKind { Render, Sync, Zxx, Key };

struct LabCommand {
  LabCommandKind kind;
  std::uint8_t code = 0;
  float timeMs = 0.0f;
  int line = 0;
};

struct LabScript {
  // Empty in show mode.
  std::string effectName;
  std::vector<LabCommand> commands;
};

// The names `effect` accepts.
bool isLabEffectName(const std::string& name);

// Checks the whole script. On a malformed line returns false and sets error to a message that
// names the line number.
bool parseLabScript(std::istream& in, LabScript& script, std::string& error);
