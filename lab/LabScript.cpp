#include "lab/LabScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "effects/EffectCatalogue.h"

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Only plain decimal literals: an optional sign, digits with an optional point, an optional
// exponent. strtof alone would also take hex floats, "nan" and "inf".
bool isDecimalLiteral(const std::string& text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

bool parseTime(const std::string& text, float& timeMs) {
  if (!isDecimalLiteral(text)) return false;
  errno = 0;
  float value = std::strtof(text.c_str(), nullptr);
  if (std::isinf(value)) return false;
  timeMs = value;
  return true;
}

bool parseCode(const std::string& text, std::uint8_t& code) {
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char c : text) {
    if (!isDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (value > 255) return false;
  code = static_cast<std::uint8_t>(value);
  return true;
}
}  // namespace

bool isLabEffectName(const std::string& name) { return findEffectKind(name) != nullptr; }

bool parseLabScript(std::istream& in, LabScript& script, std::string& error) {
  script = LabScript{};
  std::string text;
  int lineNumber = 0;
  bool anyCommand = false;
  while (std::getline(in, text)) {
    ++lineNumber;
    if (std::size_t hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream words(text);
    std::vector<std::string> tokens;
    for (std::string word; words >> word;) tokens.push_back(word);
    if (tokens.empty()) continue;

    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    auto expectArguments = [&](std::size_t n) { return tokens.size() == n + 1; };
    const std::string& name = tokens[0];
    const bool effectMode = !script.effectName.empty();
    LabCommand command{LabCommandKind::Render, 0, 0.0f, lineNumber};

    if (name == "effect") {
      if (anyCommand) return fail("'effect' must be the first command");
      if (!expectArguments(1)) return fail("'effect' takes one effect name");
      if (!isLabEffectName(tokens[1])) return fail("unknown effect '" + tokens[1] + "'");
      script.effectName = tokens[1];
      anyCommand = true;
      continue;
    } else if (name == "render") {
      if (!expectArguments(1)) return fail("'render' takes one time");
      if (!parseTime(tokens[1], command.timeMs)) return fail("bad time '" + tokens[1] + "'");
    } else if (name == "sync") {
      if (!effectMode) return fail("'sync' needs an 'effect' first (use 'zxx' or 'key' for the show)");
      if (!expectArguments(2)) return fail("'sync' takes a code and a time");
      if (!parseCode(tokens[1], command.code)) return fail("bad code '" + tokens[1] + "' (0..255)");
      if (!parseTime(tokens[2], command.timeMs)) return fail("bad time '" + tokens[2] + "'");
      command.kind = LabCommandKind::Sync;
    } else if (name == "zxx") {
      if (effectMode) return fail("'zxx' is for the whole show, not with 'effect' (use 'sync')");
      if (!expectArguments(1)) return fail("'zxx' takes one code");
      if (!parseCode(tokens[1], command.code)) return fail("bad code '" + tokens[1] + "' (0..255)");
      command.kind = LabCommandKind::Zxx;
    } else if (name == "key") {
      if (effectMode) return fail("'key' is for the whole show, not with 'effect' (use 'sync')");
      if (!expectArguments(0)) return fail("'key' takes no arguments");
      command.kind = LabCommandKind::Key;
    } else {
      return fail("unknown command '" + name + "'");
    }
    script.commands.push_back(command);
    anyCommand = true;
  }
  return true;
}
