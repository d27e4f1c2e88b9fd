#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/ShowPictures.h"
#include "lab/Lab.h"
#include "lab/LabScript.h"
#include "show/Timeline.h"

namespace {
namespace fs = std::filesystem;

class LabTest : public testing::Test {
 protected:
  LabTest() {
    dir = fs::path(ZOD_BINARY_DIR) / "lab-test" /
          testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
  }

  int run(const std::string& scriptText, bool png = false, std::string assetDir = ZOD_ASSET_DIR,
          std::string hashesPath = "") {
    std::ofstream(dir / "script.lab") << scriptText;
    LabOptions options;
    options.assetDir = assetDir;
    options.scriptPath = (dir / "script.lab").string();
    options.outDir = (dir / "out").string();
    options.png = png;
    options.hashesPath = hashesPath;
    out.str("");
    err.str("");
    return runLab(options, out, err);
  }
  bool wrote(const char* name) const { return fs::exists(dir / "out" / name); }

  fs::path dir;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(LabTest, MalformedLineIsNamedAndNothingRuns) {
  struct Case {
    const char* script;
    int line;
  };
  const Case cases[] = {
      {"render 0\nrender 1\nfly 3\n", 3},
      {"render 0\n\n# note\nrender ten\n", 4},
      {"render 0x10\n", 1},
      {"render nan\n", 1},
      {"render 1e39\n", 1},
      {"render\n", 1},
      {"render 1 2\n", 1},
      {"zxx 256\n", 1},
      {"zxx -1\n", 1},
      {"key now\n", 1},
      {"render 0\nsync 3 10\n", 2},
      {"effect tunnel\nrender 0\nzxx 3\n", 3},
      {"effect tunnel\nkey\n", 2},
      {"render 0\neffect tunnel\n", 2},
      {"effect tunnel\neffect heart\n", 2},
      {"effect donut\n", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.script), 2) << c.script;
    EXPECT_NE(err.str().find("line " + std::to_string(c.line) + ":"), std::string::npos)
        << c.script << " gave: " << err.str();
    EXPECT_EQ(out.str(), "") << c.script;
    EXPECT_FALSE(wrote("frame-00000.raw")) << c.script;
  }
}

TEST_F(LabTest, CommentsBlankLinesAndSpacingAreIgnored) {
  EXPECT_EQ(run("# a comment\n\n   render   0   # start\n\t\nrender 1.5e1\n"), 0) << err.str();
  EXPECT_EQ(out.str(), "frame 0 entry 0 quit 0\nframe 1 entry 0 quit 0\n");
}

TEST_F(LabTest, TimesRoundOnceToTheNearestFloat) {
  std::istringstream in("render 16777217\nrender 0.1\nrender -2.5e-3\nrender 1e-50\n");
  LabScript script;
  std::string error;
  ASSERT_TRUE(parseLabScript(in, script, error)) << error;
  ASSERT_EQ(script.commands.size(), 4u);
  EXPECT_EQ(script.commands[0].timeMs, 16777216.0f);  // halfway: to even
  EXPECT_EQ(script.commands[1].timeMs, 0.1f);
  EXPECT_EQ(script.commands[2].timeMs, -0.0025f);
  EXPECT_EQ(script.commands[3].timeMs, 0.0f);
}

TEST_F(LabTest, ShowModeWritesOneRawFramePerRenderAndReportsTheEntry) {
  ASSERT_EQ(run("render 0\nzxx 1\nrender 10\nkey\nrender 20\nzxx 5\nrender 30\n"), 0) << err.str();
  EXPECT_EQ(out.str(),
            "frame 0 entry 0 quit 0\n"
            "frame 1 entry 1 quit 0\n"
            "frame 2 entry 2 quit 0\n"
            "frame 3 entry 2 quit 0\n");
  for (const char* name : {"frame-00000.raw", "frame-00001.raw", "frame-00002.raw", "frame-00003.raw"}) {
    ASSERT_TRUE(wrote(name)) << name;
    EXPECT_EQ(fs::file_size(dir / "out" / name), 0x8C000u) << name;
  }
  EXPECT_FALSE(wrote("frame-00004.raw"));
  EXPECT_FALSE(wrote("frame-00000.png"));
}

TEST_F(LabTest, EffectModeReportsNoEntry) {
  ASSERT_EQ(run("effect presents\nrender 0\nsync 2 5\nrender 10\n"), 0) << err.str();
  EXPECT_EQ(out.str(), "frame 0 entry -1 quit 0\nframe 1 entry -1 quit 0\n");
}

TEST_F(LabTest, QuitColumnTurnsOnWhenTheTimelineRunsOutAndFramesGoOn) {
  // Every frame jumps past the running scene, so each one moves one entry on.
  std::string script;
  for (int k = 0; k <= 41; ++k) script += "render " + std::to_string(k * 200000) + "\n";
  ASSERT_EQ(run(script), 0) << err.str();
  std::istringstream lines(out.str());
  std::string line;
  for (int k = 0; std::getline(lines, line); ++k) {
    int entry = std::min(k, TIMELINE_ENTRIES - 1);
    int quit = k >= TIMELINE_ENTRIES ? 1 : 0;
    EXPECT_EQ(line, "frame " + std::to_string(k) + " entry " + std::to_string(entry) + " quit " +
                        std::to_string(quit));
  }
  EXPECT_TRUE(wrote("frame-00041.raw"));
}

TEST_F(LabTest, MissingPicturesStopTheLabAtTheFirstReportWithOne) {
  fs::create_directories(dir / "no-assets");
  ASSERT_EQ(run("render 0\nrender 10\n", false, (dir / "no-assets").string()), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(wrote("frame-00000.raw"));
  const std::string errors = err.str();
  // One report (the first picture) and the lab's own line, nothing more.
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
  EXPECT_NE(errors.find(SHOW_PICTURES[0].name), std::string::npos) << errors;
}

TEST_F(LabTest, RawFilesHoldLittleEndianWordsWhoseBytesGiveTheRecordedHash) {
  std::string hashes = (dir / "frames.hashes").string();
  ASSERT_EQ(run("effect title\nrender 1000\nrender 2000\n", false, ZOD_ASSET_DIR, hashes), 0) << err.str();
  std::ifstream hashFile(hashes);
  for (const char* name : {"frame-00000.raw", "frame-00001.raw"}) {
    std::ifstream raw(dir / "out" / name, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 0x8C000u);
    std::uint64_t fnv = 0xcbf29ce484222325ull;
    bool topBytesZero = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      fnv = (fnv ^ bytes[i]) * 0x100000001b3ull;
      if (i % 4 == 3 && bytes[i] != 0) topBytesZero = false;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv));
    std::string recorded;
    std::getline(hashFile, recorded);
    EXPECT_EQ(recorded, hex) << name;
    EXPECT_TRUE(topBytesZero) << name;  // the word's top byte comes last in the file
  }
}

TEST_F(LabTest, PngFramesAreWrittenOnRequest) {
  ASSERT_EQ(run("render 0\nrender 1\n", true), 0) << err.str();
  ASSERT_TRUE(wrote("frame-00001.png"));
  std::ifstream png(dir / "out" / "frame-00001.png", std::ios::binary);
  char magic[8] = {};
  png.read(magic, 8);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST_F(LabTest, MissingScriptIsAUsageError) {
  LabOptions options;
  options.assetDir = ZOD_ASSET_DIR;
  options.scriptPath = (dir / "nowhere.lab").string();
  options.outDir = (dir / "out").string();
  EXPECT_EQ(runLab(options, out, err), 2);
  EXPECT_NE(err.str().find("nowhere.lab"), std::string::npos);
}

}  // namespace
