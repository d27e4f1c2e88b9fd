#include "app/Settings.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/UserFolders.h"
#include "base/TemporaryName.h"

namespace {
constexpr const char* HEADER =
    "# zod's settings, written when the show ends; zod --no-settings leaves this file alone.";
// Larger than any screen, smaller than any overflow.
constexpr int LARGEST_COORDINATE = 1 << 16;

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool parseWhole(std::string_view text, int low, int high, int& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value >= low && value <= high;
}

// Two whole numbers joined by `separator`, such as 1024x768 or 448,156.
bool parsePair(const std::string& text, char separator, int low, int& first, int& second) {
  const auto at = text.find(separator);
  if (at == std::string::npos) return false;
  const std::string_view whole(text);
  return parseWhole(whole.substr(0, at), low, LARGEST_COORDINATE, first) &&
         parseWhole(whole.substr(at + 1), low, LARGEST_COORDINATE, second);
}

bool parseYesNo(const std::string& text, bool& value) {
  if (text == "yes" || text == "true") {
    value = true;
    return true;
  }
  if (text == "no" || text == "false") {
    value = false;
    return true;
  }
  return false;
}

const char* scalingName(Scaling scaling) {
  switch (scaling) {
    case Scaling::Integer: return "integer";
    case Scaling::Fit: return "fit";
    case Scaling::Automatic: break;
  }
  return "auto";
}

bool parseScaling(const std::string& text, Scaling& scaling) {
  for (const Scaling each : {Scaling::Automatic, Scaling::Integer, Scaling::Fit}) {
    if (text == scalingName(each)) {
      scaling = each;
      return true;
    }
  }
  return false;
}
}  // namespace

std::string settingsPath() {
  const std::string folder = configFolder();
  return folder.empty() ? std::string() : folder + "/zod/settings";
}

Settings readSettings(const std::string& path, std::vector<std::string>& problems) {
  Settings settings;
  std::ifstream in(path);
  if (!in) return settings;
  std::optional<WindowPlace> size;
  std::optional<WindowPlace> position;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = trimmed(line);
    if (line.empty() || line.front() == '#') continue;
    const auto equals = line.find('=');
    const std::string key = trimmed(line.substr(0, equals));
    const std::string value = equals == std::string::npos ? std::string() : trimmed(line.substr(equals + 1));
    WindowPlace place;
    bool yes = false;
    int whole = 0;
    Scaling scaling = Scaling::Automatic;
    bool used = true;
    if (key == "window-size" && parsePair(value, 'x', 1, place.width, place.height)) {
      size = place;
    } else if (key == "window-position" && parsePair(value, ',', -LARGEST_COORDINATE, place.x, place.y)) {
      position = place;
    } else if (key == "fullscreen" && parseYesNo(value, yes)) {
      settings.fullScreen = yes;
    } else if (key == "muted" && parseYesNo(value, yes)) {
      settings.muted = yes;
    } else if (key == "volume" && parseWhole(value, 0, 100, whole)) {
      settings.volumePercent = whole;
    } else if (key == "scaling" && parseScaling(value, scaling)) {
      settings.scaling = scaling;
    } else {
      used = false;
    }
    if (!used) problems.push_back(path + " line " + std::to_string(number) + ": cannot use \"" + line + "\"");
  }
  // A size alone is a place too: the window manager then chooses where.
  if (size) {
    settings.window = *size;
    settings.window->positioned = position.has_value();
    if (position) {
      settings.window->x = position->x;
      settings.window->y = position->y;
    }
  }
  return settings;
}

bool writeSettings(const std::string& path, const Settings& settings, std::string& why) {
  std::ostringstream text;
  text << HEADER << '\n';
  if (settings.window) {
    text << "window-size = " << settings.window->width << 'x' << settings.window->height << '\n';
    if (settings.window->positioned)
      text << "window-position = " << settings.window->x << ',' << settings.window->y << '\n';
  }
  if (settings.fullScreen) text << "fullscreen = " << (*settings.fullScreen ? "yes" : "no") << '\n';
  if (settings.scaling) text << "scaling = " << scalingName(*settings.scaling) << '\n';
  if (settings.volumePercent) text << "volume = " << *settings.volumePercent << '\n';
  if (settings.muted) text << "muted = " << (*settings.muted ? "yes" : "no") << '\n';

  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) {
    why = error.message();
    return false;
  }
  const std::string temporary = temporaryNameBeside(path);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  const std::string bytes = text.str();
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    why = std::strerror(written && closed ? errno : writeError);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
