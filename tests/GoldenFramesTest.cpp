// Every script in tests/golden/ must render exactly the frames its .hashes file records.
// tools/refresh-goldens.sh rewrites the hashes after a deliberate change.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lab/Lab.h"

namespace {
namespace fs = std::filesystem;

std::vector<std::string> goldenScripts() {
  std::vector<std::string> names;
  fs::path dir = fs::path(ZOD_SOURCE_DIR) / "tests" / "golden";
  if (fs::is_directory(dir))
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().extension() == ".lab") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenFrames : public testing::TestWithParam<std::string> {};

TEST_P(GoldenFrames, EveryFrameMatchesItsRecordedHash) {
  fs::path base = fs::path(ZOD_SOURCE_DIR) / "tests" / "golden" / GetParam();
  std::ifstream hashFile(base.string() + ".hashes");
  ASSERT_TRUE(hashFile) << "no " << base.string() << ".hashes; run tools/refresh-goldens.sh";
  std::vector<std::string> expected;
  for (std::string line; std::getline(hashFile, line);)
    if (!line.empty()) expected.push_back(line);

  std::vector<std::string> actual;
  std::string error;
  ASSERT_TRUE(labFrameHashes(ZOD_ASSET_DIR, base.string() + ".lab", actual, error)) << error;
  ASSERT_EQ(actual.size(), expected.size()) << "frames rendered by " << GetParam() << ".lab";
  for (std::size_t k = 0; k < actual.size(); ++k)
    ASSERT_EQ(actual[k], expected[k]) << GetParam() << ".lab frame " << k
                                      << " differs (tools/refresh-goldens.sh to look at it)";
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenFrames, testing::ValuesIn(goldenScripts()),
                         [](const testing::TestParamInfo<std::string>& script) {
                           std::string name = script.param;
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                           return name;
                         });
}  // namespace
