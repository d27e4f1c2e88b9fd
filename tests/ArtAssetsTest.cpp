// The show's generated pictures, read back as the show reads them and by ImageMagick, checked
// against the rules the scenes rely on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "art/Icon.h"
#include "base/AssetDirectory.h"
#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "effects/PlaneEffect.h"
#include "effects/SquareTunnelEffect.h"
#include "image/ShowPictures.h"
#include "render/Pixel.h"
#include "render/TrigTables.h"
#include "tests/ScratchAssets.h"

namespace {

namespace fs = std::filesystem;

const char* const TEXTURES[] = {TEGEL1.name, TEGEL3.name, WOOD1.name, METAL1.name};
const char* const KEYED[] = {ZOD4.name, HERZ.name, ZOD1.name, KUVEN.name, ENDE.name, ZOD13.name};
const char* const ADDED[] = {BALLE.name, BLOCKCHEN.name, DIRURAR.name};

struct Image {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
  Pixel at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

int fatalReports = 0;
void countReport(const char*, const char*) { ++fatalReports; }

fs::path assetFile(const std::string& name) { return fs::path(ZOD_ASSET_DIR) / name; }

std::vector<char> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A little-endian 16-bit field of a PCX header.
int headerField(const std::vector<char>& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// Loads one picture as its effect does, from the current asset directory; counts any report it
// makes. A PCX picture keeps the rows its header gives, 256 pixels each.
Image loadWithShowLoader(const ShowPicture& picture) {
  std::vector<Pixel> pixels(picture.pixels());
  loadShowPicture(pixels.data(), picture);
  if (picture.format != PictureFormat::Pcx) return {picture.width, picture.height, std::move(pixels)};
  const std::vector<char> bytes = fileBytes(assetFile(picture.name));
  const int rows = bytes.size() < 128 ? 0 : headerField(bytes, 10) - headerField(bytes, 6) + 1;
  const std::size_t kept = std::min(pixels.size(), static_cast<std::size_t>(std::max(rows, 0)) * TEXTURE_SIZE);
  pixels.resize(kept);
  return {TEXTURE_SIZE, static_cast<int>(kept / TEXTURE_SIZE), std::move(pixels)};
}

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string runAndRead(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

int channelDistance(Pixel a, Pixel b) {
  int sum = 0;
  for (int shift = 0; shift < 24; shift += 8) sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
  return sum;
}

// Pixels equal to `value` that have no neighbour of the same value: specks and pinholes.
int isolatedPixels(const Image& image, Pixel value) {
  int count = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) != value) continue;
      const bool alone = (x == 0 || image.at(x - 1, y) != value) && (x == image.width - 1 || image.at(x + 1, y) != value) &&
                         (y == 0 || image.at(x, y - 1) != value) && (y == image.height - 1 || image.at(x, y + 1) != value);
      count += alone ? 1 : 0;
    }
  }
  return count;
}

int countValue(const Image& image, Pixel value, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = image.width;
  if (y1 < 0) y1 = image.height;
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) count += image.at(x, y) == value ? 1 : 0;
  }
  return count;
}

class ArtAssetsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const FatalReporter previous = setFatalReporter(&countReport);
    const std::string previousDirectory = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
    fatalReports = 0;
    for (const ShowPicture& picture : SHOW_PICTURES) images()[picture.name] = loadWithShowLoader(picture);
    setAssetDirectory(previousDirectory);
    setFatalReporter(previous);
    clearQuitRequest();
  }
  static std::map<std::string, Image>& images() {
    static std::map<std::string, Image> loaded;
    return loaded;
  }
  static const Image& image(const std::string& name) { return images().at(name); }
};

// Every PCX picture is a 256 x 256 sprite, within the capacity its effect loads it into.
TEST_F(ArtAssetsTest, EveryPictureExistsWithTheSizeItsFormatImplies) {
  for (const ShowPicture& picture : SHOW_PICTURES) {
    SCOPED_TRACE(picture.name);
    ASSERT_TRUE(fs::exists(assetFile(picture.name)));
    const auto size = fs::file_size(assetFile(picture.name));
    if (picture.format == PictureFormat::Raw) {
      EXPECT_EQ(size, picture.pixels() * 3);
    }
    if (picture.format == PictureFormat::Pcx) {
      const std::vector<char> bytes = fileBytes(assetFile(picture.name));
      ASSERT_GE(bytes.size(), 128u);
      EXPECT_EQ(bytes[0], 10);
      EXPECT_EQ(bytes[1], 5);
      EXPECT_EQ(bytes[2], 1);
      EXPECT_EQ(bytes[3], 8);
      EXPECT_EQ(headerField(bytes, 8) - headerField(bytes, 4) + 1, 256);
      EXPECT_EQ(headerField(bytes, 10) - headerField(bytes, 6) + 1, 256);
      EXPECT_EQ(bytes[65], 3);
      EXPECT_EQ(headerField(bytes, 66), 256);
      EXPECT_LE(256u * 256u, picture.pixels());
    }
  }
}

TEST_F(ArtAssetsTest, ShowLoadersReadEveryPictureWithoutAReport) {
  EXPECT_EQ(fatalReports, 0);
  for (const ShowPicture& picture : SHOW_PICTURES) {
    const Image& img = image(picture.name);
    for (Pixel p : img.pixels) ASSERT_EQ(p >> 24, 0u) << picture.name;
  }
}

// ImageMagick decodes every file on its own; it must see the same size and format and, for the
// lossless formats, exactly the pixels our loaders produce.
TEST_F(ArtAssetsTest, ImageMagickReadsTheSameSizesFormatsAndPixels) {
  if (!haveTool("identify") || !haveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  for (const ShowPicture& picture : SHOW_PICTURES) {
    SCOPED_TRACE(picture.name);
    const Image& ours = image(picture.name);
    const std::string path = assetFile(picture.name).string();
    const std::string size = std::to_string(ours.width) + "x" + std::to_string(ours.height);
    std::string source = "'" + path + "'";
    if (picture.format == PictureFormat::Raw) {
      source = "-size " + size + " -depth 8 'rgb:" + path + "'";
    } else {
      const std::string expected = std::string(picture.format == PictureFormat::Jpeg ? "JPEG" : "PCX") + " " +
                                   std::to_string(ours.width) + " " + std::to_string(ours.height) + " 8";
      EXPECT_EQ(runAndRead("identify -format '%m %w %h %z' " + source + " 2>/dev/null"), expected);
    }
    if (picture.format == PictureFormat::Jpeg) {
      EXPECT_EQ(runAndRead("identify -format '%[channels]' " + source + " 2>/dev/null").substr(0, 4), "srgb");
    }
    const std::string rgb = runAndRead("convert " + source + " -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ(rgb.size(), ours.pixels.size() * 3);
    int worst = 0;
    for (std::size_t i = 0; i < ours.pixels.size(); ++i) {
      const Pixel theirs = static_cast<Pixel>(static_cast<unsigned char>(rgb[3 * i]) << 16 |
                                              static_cast<unsigned char>(rgb[3 * i + 1]) << 8 |
                                              static_cast<unsigned char>(rgb[3 * i + 2]));
      worst = std::max(worst, channelDistance(theirs, ours.pixels[i]));
    }
    // Two JPEG decoders may round the inverse transform differently by a step or so.
    EXPECT_LE(worst, picture.format == PictureFormat::Jpeg ? 6 : 0);
  }
}

// Mean difference between neighbouring columns (or rows) across the wrap-around seam, against
// the same measure at the other column (row) pairs that straddle a JPEG block edge (every eighth):
// the seam is one of those, and block edges differ a little more than pairs inside a block.
struct SeamMeasure {
  double seam, interior;
};
SeamMeasure columnSeam(const Image& img, int y0, int y1, int step) {
  double seam = 0.0, interior = 0.0;
  int pairs = 0;
  for (int y = y0; y < y1; ++y) {
    seam += channelDistance(img.at(img.width - 1, y), img.at(0, y));
    for (int x = step; x < img.width; x += step, ++pairs) interior += channelDistance(img.at(x - 1, y), img.at(x, y));
  }
  return {seam / (y1 - y0), interior / pairs};
}
SeamMeasure rowSeam(const Image& img, int step) {
  double seam = 0.0, interior = 0.0;
  int pairs = 0;
  for (int x = 0; x < img.width; ++x) {
    seam += channelDistance(img.at(x, img.height - 1), img.at(x, 0));
    for (int y = step; y < img.height; y += step, ++pairs) interior += channelDistance(img.at(x, y - 1), img.at(x, y));
  }
  return {seam / img.width, interior / pairs};
}

TEST_F(ArtAssetsTest, TexturesTileWithoutAVisibleSeam) {
  for (const char* name : TEXTURES) {
    SCOPED_TRACE(name);
    const SeamMeasure across = columnSeam(image(name), 0, 256, 8);
    const SeamMeasure down = rowSeam(image(name), 8);
    EXPECT_LE(across.seam, across.interior);
    EXPECT_LE(down.seam, down.interior);
  }
}

// Windows and walls make neighbouring columns of the skyline differ a lot or not at all, so its
// seam is compared with the spread of all column pairs: it must not stand out among them.
TEST_F(ArtAssetsTest, SkylineStripRepeatsEvery256Columns) {
  const Image& skyline = image(KUVEN.name);
  auto pairDifference = [&](int a, int b) {
    double sum = 0.0;
    for (int y = 176; y < 256; ++y) sum += channelDistance(skyline.at(a, y), skyline.at(b, y));
    return sum / 80.0;
  };
  std::vector<double> interior;
  for (int x = 1; x < 256; ++x) interior.push_back(pairDifference(x - 1, x));
  std::sort(interior.begin(), interior.end());
  EXPECT_LE(pairDifference(255, 0), interior[interior.size() * 9 / 10]);
}

TEST_F(ArtAssetsTest, KeyedPicturesHaveSolidShapesAndCleanTransparentAreas) {
  for (const char* name : KEYED) {
    SCOPED_TRACE(name);
    const Image& img = image(name);
    const int keyed = countValue(img, TRANSPARENT_KEY);
    EXPECT_GT(keyed, 0);
    EXPECT_LT(keyed, img.width * img.height);
    // No pinholes of key inside a shape, no stray opaque specks in the transparent area.
    EXPECT_EQ(isolatedPixels(img, TRANSPARENT_KEY), 0);
    int strayOpaque = 0;
    for (int y = 1; y + 1 < img.height; ++y) {
      for (int x = 1; x + 1 < img.width; ++x) {
        strayOpaque += img.at(x, y) != TRANSPARENT_KEY && img.at(x - 1, y) == TRANSPARENT_KEY && img.at(x + 1, y) == TRANSPARENT_KEY &&
                       img.at(x, y - 1) == TRANSPARENT_KEY && img.at(x, y + 1) == TRANSPARENT_KEY;
      }
    }
    EXPECT_EQ(strayOpaque, 0);
  }
}

TEST_F(ArtAssetsTest, KeyedPicturesAreTransparentWhereTheirScenesShowWhatLiesBelow) {
  // The sprites stand free: their corners are transparent, their middles opaque.
  for (const char* name : {ZOD4.name, HERZ.name, ENDE.name}) {
    SCOPED_TRACE(name);
    const Image& img = image(name);
    EXPECT_EQ(img.at(0, 0), TRANSPARENT_KEY);
    EXPECT_EQ(img.at(255, 255), TRANSPARENT_KEY);
  }
  EXPECT_NE(image(HERZ.name).at(128, 128), TRANSPARENT_KEY);
  // The overlay of the tunnel is lifted 26 rows at rest: its last two rows are never seen.
  EXPECT_EQ(countValue(image(ZOD4.name), TRANSPARENT_KEY, 0, 254, 256, 256), 2 * 256);
  // The heart scene shows columns 0..114 and 120..255 of the side picture: each wing stands
  // whole inside its half with a margin, and the two mirror each other about the middle of the
  // frame (column k of the left half meets column 268 - k of the right), give or take the shadow.
  const Image& sides = image(ZOD1.name);
  int left0 = 256, left1 = -1, right0 = 256, right1 = -1;
  for (int x = 0; x < 256; ++x) {
    if (countValue(sides, TRANSPARENT_KEY, x, 0, x + 1, 256) == 256) continue;
    int& first = x < 117 ? left0 : right0;
    int& last = x < 117 ? left1 : right1;
    first = std::min(first, x);
    last = std::max(last, x);
  }
  EXPECT_GE(left0, 4);
  EXPECT_LE(left1, 110);
  EXPECT_GE(right0, 124);
  EXPECT_LE(right1, 251);
  EXPECT_NEAR(left0 + right1, 268, 2);
  EXPECT_NEAR(left1 + right0, 268, 2);
  // The skyline shows only rows 176..255; it reaches up from the bottom, and the street is solid.
  const Image& skyline = image(KUVEN.name);
  EXPECT_EQ(countValue(skyline, TRANSPARENT_KEY, 0, 0, 256, 176), 176 * 256);
  EXPECT_EQ(countValue(skyline, TRANSPARENT_KEY, 0, 176, 256, 178), 2 * 256);
  EXPECT_EQ(countValue(skyline, TRANSPARENT_KEY, 0, 240, 256, 256), 0);
  // The square tunnel's overlay is the only thing drawn in frame columns 332..511: columns
  // 100..279 of it must cover every pixel.
  EXPECT_EQ(countValue(image(ZOD13.name), TRANSPARENT_KEY, 100, 0, 280, 280), 0);
  EXPECT_GT(countValue(image(ZOD13.name), TRANSPARENT_KEY, 0, 0, 100, 280), 50 * 280);
}

TEST_F(ArtAssetsTest, AddedPicturesAreBlackWhereTheyAddNothing) {
  for (const char* name : ADDED) {
    SCOPED_TRACE(name);
    const Image& img = image(name);
    // The edges add nothing, so the pictures have no hard border where they slide or end.
    EXPECT_EQ(countValue(img, 0, 0, 0, img.width, 1), img.width);
    EXPECT_EQ(countValue(img, 0, 0, img.height - 1, img.width, img.height), img.width);
    EXPECT_EQ(countValue(img, 0, 0, 0, 1, img.height), img.height);
    EXPECT_GT(countValue(img, 0), img.width * img.height / 3);
    int bright = 0;
    for (Pixel p : img.pixels) bright += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 300 ? 1 : 0;
    EXPECT_GT(bright, img.width * img.height / 50);
  }
}

TEST_F(ArtAssetsTest, TitleIsPureBlackOnlyWhereThePatternShouldShow) {
  const Image& title = image(TITEL.name);
  EXPECT_EQ(title.at(0, 0), 0u);
  EXPECT_EQ(title.at(128, 60), 0u);  // inside the ring, above the letters
  EXPECT_EQ(isolatedPixels(title, 0), 0);
  const int black = countValue(title, 0);
  EXPECT_GT(black, 256 * 256 / 4);
  EXPECT_LT(black, 256 * 256 * 3 / 4);
}

TEST_F(ArtAssetsTest, CaptionIsTheWordLitOnBlack) {
  const Image& caption = image(PRESENTS.name);
  int left = 70, right = -1, top = 20, bottom = -1, lit = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 70; ++x) {
      if (caption.at(x, y) == 0) continue;
      ++lit;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_GT(lit, 150);
  EXPECT_GE(right - left + 1, 56);  // eight letters across most of the width
  EXPECT_GE(bottom - top + 1, 9);
  EXPECT_GE(left, 1);
  EXPECT_LE(right, 68);
  EXPECT_GE(top, 1);
  EXPECT_LE(bottom, 18);
}

// Luma (Rec. 709) of a pixel, 0..255.
double luma(Pixel p) { return (2126.0 * ((p >> 16) & 0xFF) + 7152.0 * ((p >> 8) & 0xFF) + 722.0 * (p & 0xFF)) / 10000.0; }

// The square tunnel needs dark steel with bright parts for its light rays to show.
TEST_F(ArtAssetsTest, MetalIsDarkSteelWithStrongContrast) {
  double sum = 0.0, squares = 0.0;
  for (Pixel p : image(METAL1.name).pixels) {
    sum += luma(p);
    squares += luma(p) * luma(p);
  }
  const double n = 256.0 * 256.0, mean = sum / n;
  EXPECT_GT(mean, 60.0);
  EXPECT_LT(mean, 90.0);
  EXPECT_GE(std::sqrt(squares / n - mean * mean), 45.0);
}

// The pictures as the scenes show them, at two moments the audience sees: the square tunnel at
// 9:12 and the plane's logo at 5:50. Every cue history is covered: both glow modes of the
// tunnel; both textures and the first camera jumps of the plane.
class ArtInSceneTest : public ArtAssetsTest {
 protected:
  void SetUp() override {
    fillTrigTables();
    previous = assetDirectory();
    setAssetDirectory(ZOD_ASSET_DIR);
  }
  void TearDown() override { setAssetDirectory(previous); }
  std::string previous;
};

// The ray window is the tunnel picture as far as it shows: frame columns 0..331, less what the
// panel covers. Its spread is the range of luma once the darkest and the brightest 0.5% are set
// aside: dark depths against bright rays, not a few stray pixels.
TEST_F(ArtInSceneTest, SquareTunnelRaysSpanDarkToBrightAt9m12) {
  const Image& panel = image(ZOD13.name);
  SquareTunnelEffect scene;
  scene.init();
  std::vector<Pixel> frame = screenBuffer(0);
  for (int glow = 0; glow < 2; ++glow) {
    SCOPED_TRACE(glow);
    if (glow == 1) scene.onSync(6, 552000.0f);
    scene.render(frame.data(), 552000.0f);
    std::vector<double> window;
    for (int y = 0; y < 280; ++y) {
      for (int x = 0; x < 332; ++x) {
        if (x >= 232 && panel.at(x - 232, y) != TRANSPARENT_KEY) continue;
        window.push_back(luma(frame[static_cast<std::size_t>(y) * 512 + x]));
      }
    }
    std::sort(window.begin(), window.end());
    EXPECT_GT(window[window.size() * 995 / 1000] - window[window.size() * 5 / 1000], 120.0);
  }
}

// Where the logo draws its letters, the sum with the floor below must not clip to flat white.
TEST_F(ArtInSceneTest, PlaneLogoKeepsItsColoursAt5m50) {
  const Image& logo = image(DIRURAR.name);
  PlaneEffect scene;
  scene.init();
  std::vector<Pixel> frame = screenBuffer(0);
  for (int jumps = 0; jumps < 4; ++jumps) {
    SCOPED_TRACE(jumps);
    if (jumps > 0) scene.onSync(7, 350000.0f);
    scene.render(frame.data(), 350000.0f);
    int letters = 0, flatWhite = 0;
    for (int y = 0; y < 180; ++y) {
      for (int x = 0; x < 512; ++x) {
        const Pixel l = logo.at(x, y);
        if (std::max({(l >> 16) & 0xFF, (l >> 8) & 0xFF, l & 0xFF}) < 60) continue;
        ++letters;
        const Pixel p = frame[static_cast<std::size_t>(y + 50) * 512 + x];
        flatWhite += std::min({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}) >= 250 ? 1 : 0;
      }
    }
    ASSERT_GT(letters, 5000);
    EXPECT_LT(flatWhite, letters / 50);
  }
}

// ---- the generator itself ----

fs::path generator() { return fs::path(ZOD_BINARY_DIR) / "tools" / "art" / "zod-art"; }

// Runs zod-art with one option and a path; its exit status.
int runGenerator(const char* option, const fs::path& path) {
  std::string command = "'";
  command += generator().string();
  command += "' ";
  command += option;
  command += " '";
  command += path.string();
  command += "'";
  return std::system(command.c_str());
}

fs::path freshDirectory(const std::string& tag) {
  const fs::path dir = fs::temp_directory_path() / ("zod-art-" + std::to_string(getpid()) + "-" + tag);
  fs::remove_all(dir);
  return dir;
}

TEST(ArtGenerator, WritesTheSameBytesOnEveryRun) {
  if (!fs::exists(generator())) GTEST_SKIP() << "zod-art is not built";
  const fs::path first = freshDirectory("first"), second = freshDirectory("second");
  ASSERT_EQ(runGenerator("--out", first), 0);
  ASSERT_EQ(runGenerator("--out", second), 0);
  for (const ShowPicture& picture : SHOW_PICTURES) {
    SCOPED_TRACE(picture.name);
    const std::vector<char> a = fileBytes(first / picture.name);
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == fileBytes(second / picture.name));
    EXPECT_TRUE(a == fileBytes(assetFile(picture.name))) << "the build's copy is stale";
  }
  fs::remove_all(first);
  fs::remove_all(second);
}

// Scripts that check the show's files ask zod-art for their names.
TEST(ArtGenerator, ListsThePicturesOfTheShowInTheirOrder) {
  if (!fs::exists(generator())) GTEST_SKIP() << "zod-art is not built";
  std::string expected;
  for (const ShowPicture& picture : SHOW_PICTURES) expected += std::string(picture.name) + "\n";
  std::string command = "'";
  command += generator().string();
  command += "' --list";
  EXPECT_EQ(runAndRead(command), expected);
}

TEST(ArtGenerator, WritesAContactSheetPng) {
  if (!fs::exists(generator())) GTEST_SKIP() << "zod-art is not built";
  const fs::path dir = freshDirectory("sheet");
  fs::create_directories(dir);
  const fs::path sheet = dir / "sheet.png";
  ASSERT_EQ(runGenerator("--contact-sheet", sheet), 0);
  const std::vector<char> bytes = fileBytes(sheet);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  fs::remove_all(dir);
}

// The icon at each size: the same bytes as the build's copy, see-through corners, and the heart's
// opaque red in the middle, which is what must survive at 16 px.
TEST(ArtGenerator, DrawsTheIconAtEverySize) {
  if (!fs::exists(generator())) GTEST_SKIP() << "zod-art is not built";
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  const fs::path dir = freshDirectory("icons");
  ASSERT_EQ(runGenerator("--icons", dir), 0);
  for (const int size : art::ICON_SIZES) {
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    SCOPED_TRACE(sizeName);
    const fs::path icon = dir / sizeName / "apps" / "zod.png";
    EXPECT_TRUE(fileBytes(icon) == fileBytes(fs::path(ZOD_BINARY_DIR) / "icons" / sizeName / "apps" / "zod.png"))
        << "the build's copy is stale";
    const std::string rgba = runAndRead("convert '" + icon.string() + "' -depth 8 rgba:- 2>/dev/null");
    ASSERT_EQ(rgba.size(), static_cast<std::size_t>(size) * size * 4);
    auto channel = [&](int x, int y, int c) { return static_cast<unsigned char>(rgba[(y * size + x) * 4 + c]); };
    EXPECT_LT(channel(0, 0, 3), 8);  // the rounded corner grazes the corner pixel at 16 px
    EXPECT_LT(channel(size - 1, size - 1, 3), 8);
    const int mid = size / 2;
    EXPECT_EQ(channel(mid, mid, 3), 255);
    EXPECT_GT(channel(mid, mid, 0), 2 * channel(mid, mid, 1));
  }
  fs::remove_all(dir);
}

}  // namespace
