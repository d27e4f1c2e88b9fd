#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/Settings.h"

namespace fs = std::filesystem;

namespace {
class SettingsTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(folder); }
  std::string file(const std::string& text) {
    fs::create_directories(folder);
    std::ofstream(folder / "settings") << text;
    return (folder / "settings").string();
  }
  const fs::path folder = fs::temp_directory_path() / ("zod-settings-" + std::to_string(::getpid()));
};
}  // namespace

TEST_F(SettingsTest, WhatIsWrittenReadsBackTheSame) {
  Settings written;
  written.window = WindowPlace{-20, 31, 700, 500};
  written.fullScreen = false;
  written.scaling = Scaling::Fit;
  written.volumePercent = 0;
  written.muted = true;
  const std::string path = (folder / "deeper" / "settings").string();
  std::string why;
  ASSERT_TRUE(writeSettings(path, written, why)) << why;
  std::vector<std::string> problems;
  const Settings read = readSettings(path, problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(read.window, written.window);
  EXPECT_EQ(read.fullScreen, written.fullScreen);
  EXPECT_EQ(read.scaling, written.scaling);
  EXPECT_EQ(read.volumePercent, written.volumePercent);
  EXPECT_EQ(read.muted, written.muted);
  // Only the finished file is left: no temporary beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "deeper"), fs::directory_iterator()), 1);
}

// A hand-edited or damaged file costs the lines it spoils, never the show.
TEST_F(SettingsTest, UnusableLinesAreLeftOutAndNamed) {
  std::vector<std::string> problems;
  const Settings read =
      readSettings(file("# a comment\n\n volume = 101\nvolume=40\nscaling = huge\nwindow-size = 0x500\n"
                        "window-size = 640x480\nwindow-position = 1e9,0\nfullscreen\n"),
                   problems);
  ASSERT_EQ(problems.size(), 5u);
  EXPECT_NE(problems[0].find("line 3: cannot use \"volume = 101\""), std::string::npos) << problems[0];
  EXPECT_EQ(read.volumePercent, 40);
  EXPECT_FALSE(read.scaling.has_value());
  EXPECT_FALSE(read.fullScreen.has_value());
  // A size without a usable position: the window manager places it.
  ASSERT_TRUE(read.window.has_value());
  EXPECT_EQ(read.window->width, 640);
  EXPECT_FALSE(read.window->positioned);
}

TEST_F(SettingsTest, MissingFileReadsAsNoneAndAnUnwritableOneSaysWhy) {
  std::vector<std::string> problems;
  const Settings read = readSettings((folder / "absent").string(), problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_FALSE(read.window || read.fullScreen || read.scaling || read.volumePercent || read.muted);
  std::string why;
  // A file where the folder should be.
  EXPECT_FALSE(writeSettings(file("") + "/settings", Settings{}, why));
  EXPECT_FALSE(why.empty());
}
