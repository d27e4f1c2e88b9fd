#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "image/Loaders.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Pixels no loader should have touched.
constexpr Pixel UNTOUCHED = 0xDEADBEEFu;

Pixel rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return (Pixel{r} << 16) | (Pixel{g} << 8) | b; }

// One report as it reached the user.
struct Report {
  std::string caption;
  std::string text;
  bool operator==(const Report&) const = default;
};

void PrintTo(const Report& report, std::ostream* out) { *out << report.caption << ": " << report.text; }

std::vector<Report>& reports() {
  static std::vector<Report> seen;
  return seen;
}

void recordReport(const char* caption, const char* text) { reports().push_back({caption, text}); }

// Grants this many allocations, then has no memory left.
int allocationsLeft = 0;

ByteBuffer scarceMemory(std::size_t size) {
  if (allocationsLeft-- <= 0) return nullptr;
  return ByteBuffer(new std::uint8_t[size]());
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir = std::filesystem::temp_directory_path() /
          ("zod-loaders-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + "-" + name);
    std::filesystem::create_directories(dir);
    previousAssets = assetDirectory();
    setAssetDirectory(dir.string());
    previousReporter = setFatalReporter(&recordReport);
    forgetReports();
  }

  void TearDown() override {
    setFatalReporter(previousReporter);
    setAssetDirectory(previousAssets);
    setByteAllocator(nullptr);
    clearQuitRequest();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  void write(const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // Between the cases of one test.
  static void forgetReports() {
    reports().clear();
    clearQuitRequest();
  }

  void expectNoReport() {
    EXPECT_TRUE(reports().empty()) << reports().front().text;
    EXPECT_FALSE(quitRequested());
  }

  void expectReport(const std::string& text) {
    EXPECT_EQ(reports(), (std::vector<Report>{{FATAL_CAPTION, text}}));
    EXPECT_TRUE(quitRequested());
  }

  std::filesystem::path dir;
  std::string previousAssets;
  FatalReporter previousReporter = nullptr;
};

// ---- RAW ----

TEST_F(LoaderTest, RawTripletsBecomePixelsRedFirstInReadingOrder) {
  Bytes file(4200);
  for (std::size_t k = 0; k < file.size(); ++k) file[k] = static_cast<std::uint8_t>(0x10 * (k + 1) + k / 48);
  file[4197] = file[4198] = file[4199] = 0xFF;
  write("presents.raw", file);
  std::vector<Pixel> pixels(1401, UNTOUCHED);
  loadRaw(pixels.data(), "presents.raw", 70, 20);
  expectNoReport();
  EXPECT_EQ(pixels[0], 0x00102030u);
  for (std::size_t i = 0; i < 1400; ++i) ASSERT_EQ(pixels[i], rgb(file[3 * i], file[3 * i + 1], file[3 * i + 2])) << i;
  EXPECT_EQ(pixels[1399], 0x00FFFFFFu);
  EXPECT_EQ(pixels[1400], UNTOUCHED);
}

TEST_F(LoaderTest, RawLongerThanStatedGivesOnlyTheStatedPixels) {
  write("long.raw", Bytes(3 * 6 + 5, 0x42));
  std::vector<Pixel> pixels(7, UNTOUCHED);
  loadRaw(pixels.data(), "long.raw", 3, 2);
  expectNoReport();
  EXPECT_EQ(pixels, (std::vector<Pixel>{0x424242, 0x424242, 0x424242, 0x424242, 0x424242, 0x424242, UNTOUCHED}));
}

TEST_F(LoaderTest, RawShorterThanStatedIsReportedAndMissingSamplesAreZero) {
  write("short.raw", {0x11, 0x22, 0x33, 0x44, 0x55});
  std::vector<Pixel> pixels(5, UNTOUCHED);
  loadRaw(pixels.data(), "short.raw", 2, 2);
  expectReport("ehmzz.. short.raw ist zu kurz");
  EXPECT_EQ(pixels, (std::vector<Pixel>{0x112233, 0x445500, 0, 0, UNTOUCHED}));
}

TEST_F(LoaderTest, RawWithNegativeSizeIsReportedAndNothingWritten) {
  write("neg.raw", Bytes(30, 1));
  std::vector<Pixel> pixels(4, UNTOUCHED);
  loadRaw(pixels.data(), "neg.raw", -2, 2);
  expectReport("Leider ist -2 x 2 keine Groesse fuer neg.raw");
  EXPECT_EQ(pixels, std::vector<Pixel>(4, UNTOUCHED));
}

// ---- PCX ----

void put16(Bytes& bytes, std::size_t at, int value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// A ZSoft version 5 header for three 8-bit planes; only Ymin, Ymax and BytesPerLine vary.
Bytes pcxHeader(int yMin, int yMax, int bytesPerLine = 256) {
  Bytes header(128, 0);
  header[0] = 0x0A;  // manufacturer
  header[1] = 5;     // version
  header[2] = 1;     // run-length encoding
  header[3] = 8;     // bits per sample
  put16(header, 6, yMin);
  put16(header, 8, 255);  // Xmax
  put16(header, 10, yMax);
  header[65] = 3;  // planes
  put16(header, 66, bytesPerLine);
  return header;
}

// Encodes each sample on its own: values below 0xC0 as themselves, the rest as a run of one.
void appendSamples(Bytes& out, const Bytes& samples) {
  for (std::uint8_t s : samples) {
    if (s >= 0xC0) out.push_back(0xC1);
    out.push_back(s);
  }
}

void appendRun(Bytes& out, int count, std::uint8_t value) {
  out.push_back(static_cast<std::uint8_t>(0xC0 | count));
  out.push_back(value);
}

// The decoded bytes of scan line `row` as the pixels show them: red, green and blue plane lines.
Bytes scanLineOf(const std::vector<Pixel>& pixels, std::size_t row) {
  Bytes line(768);
  for (int x = 0; x < 256; ++x) {
    const Pixel p = pixels[row * 256 + x];
    line[x] = static_cast<std::uint8_t>(p >> 16);
    line[256 + x] = static_cast<std::uint8_t>(p >> 8);
    line[512 + x] = static_cast<std::uint8_t>(p);
  }
  return line;
}

TEST_F(LoaderTest, PcxCodeBytesGiveRunsAndSingleSamples) {
  Bytes file = pcxHeader(0, 0);
  file.insert(file.end(), {0xC3, 0x7F, 0xC1, 0xC5, 0xC0, 0x99, 0xC0, 0xC0, 0x05});
  appendRun(file, 63, 0x01);
  for (int i = 0; i < 11; ++i) appendRun(file, 63, 0x02);
  appendRun(file, 2, 0x03);
  appendSamples(file, {0x04, 0x04, 0x04, 0x04, 0x04});  // 5 + 63 + 693 + 2 + 5 = 768
  write("codes.pcx", file);
  std::vector<Pixel> pixels(256, UNTOUCHED);
  loadPcx(pixels.data(), "codes.pcx", pixels.size());
  expectNoReport();
  const Bytes line = scanLineOf(pixels, 0);
  EXPECT_EQ(Bytes(line.begin(), line.begin() + 6), (Bytes{0x7F, 0x7F, 0x7F, 0xC5, 0x05, 0x01}));
  EXPECT_EQ(line[67], 0x01);
  EXPECT_EQ(line[68], 0x02);
  EXPECT_EQ(line[760], 0x02);
  EXPECT_EQ(Bytes(line.begin() + 761, line.end()), (Bytes{0x03, 0x03, 0x04, 0x04, 0x04, 0x04, 0x04}));
}

TEST_F(LoaderTest, PcxRunContinuesFromTheRedIntoTheGreenPlaneLine) {
  Bytes file = pcxHeader(0, 0);
  appendSamples(file, Bytes(250, 0x10));
  appendRun(file, 12, 0xAA);
  appendSamples(file, Bytes(768 - 262, 0x20));
  write("cross.pcx", file);
  std::vector<Pixel> pixels(256, UNTOUCHED);
  loadPcx(pixels.data(), "cross.pcx", pixels.size());
  expectNoReport();
  EXPECT_EQ(pixels[249], rgb(0x10, 0x20, 0x20));
  for (int x = 250; x < 256; ++x) EXPECT_EQ(pixels[x] >> 16, 0xAAu) << x;
  for (int x = 0; x < 6; ++x) EXPECT_EQ((pixels[x] >> 8) & 0xFF, 0xAAu) << x;
  EXPECT_EQ((pixels[6] >> 8) & 0xFF, 0x20u);
}

// Every sample the stream emits lands right after the previous one, across scan lines too; the
// picture is the first rows x 768 of them.
TEST_F(LoaderTest, PcxRunPastTheScanLineEndPushesTheNextScanLineBack) {
  Bytes file = pcxHeader(0, 1);
  Bytes emitted;
  appendSamples(file, Bytes(760, 0x30));
  emitted.insert(emitted.end(), 760, 0x30);
  appendRun(file, 18, 0x31);  // 10 samples beyond the first scan line
  emitted.insert(emitted.end(), 18, 0x31);
  for (int i = 0; i < 768; ++i) {
    const auto s = static_cast<std::uint8_t>(i % 0xC0);
    appendSamples(file, {s});
    emitted.push_back(s);
  }
  write("over.pcx", file);
  std::vector<Pixel> pixels(513, UNTOUCHED);
  loadPcx(pixels.data(), "over.pcx", pixels.size());
  expectNoReport();
  EXPECT_EQ(scanLineOf(pixels, 0), Bytes(emitted.begin(), emitted.begin() + 768));
  EXPECT_EQ(scanLineOf(pixels, 1), Bytes(emitted.begin() + 768, emitted.begin() + 1536));
  EXPECT_EQ(pixels[512], UNTOUCHED);
}

TEST_F(LoaderTest, PcxTextureTakesEachPixelFromItsThreePlaneLines) {
  Bytes file = pcxHeader(0, 255);
  auto sample = [](int y, int plane, int x) { return static_cast<std::uint8_t>(x * 3 + y * 7 + plane * 85); };
  for (int y = 0; y < 256; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < 256; ++x) appendSamples(file, {sample(y, plane, x)});
    }
  }
  write("texture.pcx", file);
  std::vector<Pixel> pixels(65537, UNTOUCHED);
  loadPcx(pixels.data(), "texture.pcx", pixels.size());
  expectNoReport();
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(pixels[y * 256 + x], rgb(sample(y, 0, x), sample(y, 1, x), sample(y, 2, x))) << x << "," << y;
    }
  }
  EXPECT_EQ(pixels[65536], UNTOUCHED);
}

TEST_F(LoaderTest, PcxRowCountComesFromTheDifferenceOfYmaxAndYmin) {
  Bytes body;
  for (int i = 0; i < 4 * 768; ++i) appendSamples(body, {static_cast<std::uint8_t>(i * 13)});
  Bytes atZero = pcxHeader(0, 3);
  Bytes shifted = pcxHeader(100, 103);
  atZero.insert(atZero.end(), body.begin(), body.end());
  shifted.insert(shifted.end(), body.begin(), body.end());
  write("zero.pcx", atZero);
  write("shifted.pcx", shifted);
  std::vector<Pixel> fromZero(4 * 256 + 1, UNTOUCHED), fromShifted(4 * 256 + 1, UNTOUCHED);
  loadPcx(fromZero.data(), "zero.pcx", fromZero.size());
  loadPcx(fromShifted.data(), "shifted.pcx", fromShifted.size());
  expectNoReport();
  EXPECT_EQ(fromShifted, fromZero);
  EXPECT_EQ(fromZero[4 * 256], UNTOUCHED);
  EXPECT_NE(fromZero[4 * 256 - 1], UNTOUCHED);
}

TEST_F(LoaderTest, PcxIgnoresEveryHeaderFieldButTheRowsAndBytesPerLine) {
  Bytes body;
  for (int i = 0; i < 2 * 768; ++i) appendSamples(body, {static_cast<std::uint8_t>(i * 5)});
  Bytes plain = pcxHeader(0, 1);
  Bytes odd = pcxHeader(0, 1);
  for (std::size_t at = 0; at < odd.size(); ++at) {
    if (at != 6 && at != 7 && at != 10 && at != 11 && at != 66 && at != 67) odd[at] = static_cast<std::uint8_t>(0xA5 ^ at);
  }
  plain.insert(plain.end(), body.begin(), body.end());
  odd.insert(odd.end(), body.begin(), body.end());
  write("plain.pcx", plain);
  write("odd.pcx", odd);
  std::vector<Pixel> fromPlain(512, UNTOUCHED), fromOdd(512, UNTOUCHED);
  loadPcx(fromPlain.data(), "plain.pcx", fromPlain.size());
  loadPcx(fromOdd.data(), "odd.pcx", fromOdd.size());
  expectNoReport();
  EXPECT_EQ(fromOdd, fromPlain);
}

// Faults of the header stop the loader before any sample is stored.
TEST_F(LoaderTest, PcxHeaderFaultsAreReportedAndNothingWritten) {
  struct Case {
    const char* name;
    Bytes file;
    std::string report;
  };
  Bytes narrow = pcxHeader(0, 0, 255);
  Bytes upside = pcxHeader(5, 2);
  appendSamples(narrow, Bytes(768, 0x10));
  appendSamples(upside, Bytes(768, 0x10));
  Bytes stub = pcxHeader(0, 0);
  stub.resize(100);
  const Case cases[] = {{"narrow.pcx", narrow, "wrong pcxfile"},
                        {"stub.pcx", stub, "ehmzz.. stub.pcx ist zu kurz"},
                        {"upside.pcx", upside, "ehmzz.. upside.pcx hat weniger als null Zeilen"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    forgetReports();
    write(c.name, c.file);
    std::vector<Pixel> pixels(256, UNTOUCHED);
    loadPcx(pixels.data(), c.name, pixels.size());
    expectReport(c.report);
    EXPECT_EQ(pixels, std::vector<Pixel>(256, UNTOUCHED));
  }
}

TEST_F(LoaderTest, PcxStreamEndingEarlyIsReportedAndMissingSamplesAreZero) {
  struct Case {
    const char* name;
    Bytes tail;
  };
  // Ends after a literal, between a run's code byte and its value, and after count-0 runs only.
  const Case cases[] = {{"literal.pcx", {0x05}}, {"halfrun.pcx", {0x05, 0xC9}}, {"empty.pcx", {0xC0, 0x07, 0xC0, 0x07}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    forgetReports();
    Bytes file = pcxHeader(0, 1);
    file.insert(file.end(), c.tail.begin(), c.tail.end());
    write(c.name, file);
    std::vector<Pixel> pixels(513, UNTOUCHED);
    loadPcx(pixels.data(), c.name, pixels.size());
    expectReport(std::string("ehmzz.. ") + c.name + " ist zu kurz");
    const Pixel first = c.tail.front() == 0x05 ? 0x050000u : 0u;
    EXPECT_EQ(pixels[0], first);
    for (std::size_t i = 1; i < 512; ++i) ASSERT_EQ(pixels[i], 0u) << i;
    EXPECT_EQ(pixels[512], UNTOUCHED);
  }
}

TEST_F(LoaderTest, PcxWithMoreRowsThanTheArrayKeepsTheRowsThatFit) {
  Bytes file = pcxHeader(0, 2);
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 768 / 48; ++i) appendRun(file, 48, static_cast<std::uint8_t>(row + 1));
  }
  write("tall.pcx", file);
  // Room for two rows and a half: the half row is not filled.
  std::vector<Pixel> pixels(2 * 256 + 128 + 1, UNTOUCHED);
  loadPcx(pixels.data(), "tall.pcx", 2 * 256 + 128);
  expectReport("Leider hat tall.pcx 3 Zeilen, Platz ist nur fuer 2");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(pixels[i], 0x010101u) << i;
  for (int i = 256; i < 512; ++i) ASSERT_EQ(pixels[i], 0x020202u) << i;
  for (std::size_t i = 512; i < pixels.size(); ++i) ASSERT_EQ(pixels[i], UNTOUCHED) << i;
}

// ---- JPEG ----

// A JPEG that round-trips flat 8 x 8 blocks exactly: quality 100, no chroma subsampling.
Bytes compressJpeg(const Bytes& samples, int width, int height, int pixelFormat, int subsampling) {
  tjhandle compressor = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int result =
      tjCompress2(compressor, samples.data(), width, 0, height, pixelFormat, &out, &size, subsampling, 100, 0);
  EXPECT_EQ(result, 0) << tjGetErrorStr2(compressor);
  Bytes bytes(out, out + size);
  tjFree(out);
  tjDestroy(compressor);
  return bytes;
}

// 16 x 16 in four flat quadrants, given as blue, green, red triplets.
Bytes quadrantsBgr(const std::uint8_t (&colours)[4][3]) {
  Bytes samples;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const auto& c = colours[(y / 8) * 2 + x / 8];
      samples.insert(samples.end(), {c[0], c[1], c[2]});
    }
  }
  return samples;
}

TEST_F(LoaderTest, JpegBlueGreenRedTripletsBecomeRgbPixelsTopRowFirst) {
  const std::uint8_t colours[4][3] = {{0x30, 0x20, 0x10}, {0x10, 0x10, 0xE0}, {0xE0, 0x10, 0x10}, {0x80, 0xF0, 0x80}};
  write("tiles.jpg", compressJpeg(quadrantsBgr(colours), 16, 16, TJPF_BGR, TJSAMP_444));
  std::vector<Pixel> pixels(257, UNTOUCHED);
  loadJpeg(pixels.data(), "tiles.jpg", 16, 16);
  expectNoReport();
  EXPECT_EQ(pixels[0], 0x00102030u);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const auto& c = colours[(y / 8) * 2 + x / 8];
      ASSERT_EQ(pixels[y * 16 + x], rgb(c[2], c[1], c[0])) << x << "," << y;
    }
  }
  EXPECT_EQ(pixels[256], UNTOUCHED);
}

TEST_F(LoaderTest, GreyJpegIsReportedAsCrapAndStillDecodedAsGrey) {
  Bytes grey(8 * 8, 0x5A);
  write("grey.jpg", compressJpeg(grey, 8, 8, TJPF_GRAY, TJSAMP_GRAY));
  std::vector<Pixel> pixels(64, UNTOUCHED);
  loadJpeg(pixels.data(), "grey.jpg", 8, 8);
  expectReport("Crap");
  EXPECT_EQ(pixels, std::vector<Pixel>(64, 0x5A5A5A));
}

TEST_F(LoaderTest, JpegOfAnotherSizeIsReportedAndNothingWritten) {
  write("small.jpg", compressJpeg(Bytes(16 * 8 * 3, 0x40), 16, 8, TJPF_BGR, TJSAMP_444));
  std::vector<Pixel> pixels(256, UNTOUCHED);
  loadJpeg(pixels.data(), "small.jpg", 8, 16);
  expectReport("Leider ist small.jpg 16 x 8 statt 8 x 16");
  EXPECT_EQ(pixels, std::vector<Pixel>(256, UNTOUCHED));
}

TEST_F(LoaderTest, JpegThatCannotBeDecodedIsReportedAndNothingWritten) {
  Bytes good = compressJpeg(Bytes(16 * 16 * 3, 0x40), 16, 16, TJPF_BGR, TJSAMP_444);
  const Bytes cut(good.begin(), good.end() - 40);
  const Bytes noise = {0xFF, 0xD8, 0x12, 0x34, 0x56, 0x78, 0x9A};
  for (const auto& [name, bytes] : {std::pair{"cut.jpg", cut}, std::pair{"noise.jpg", noise}}) {
    SCOPED_TRACE(name);
    forgetReports();
    write(name, bytes);
    std::vector<Pixel> pixels(256, UNTOUCHED);
    loadJpeg(pixels.data(), name, 16, 16);
    expectReport(std::string("ehmzz.. ") + name + " ist kaputt");
    EXPECT_EQ(pixels, std::vector<Pixel>(256, UNTOUCHED));
  }
}

// ---- faults every loader shares ----

TEST_F(LoaderTest, FileThatCannotBeOpenedIsReportedByEveryLoader) {
  std::filesystem::create_directory(dir / "folder.pcx");
  for (const char* name : {"missing.raw", "folder.pcx"}) {
    SCOPED_TRACE(name);
    std::vector<Pixel> pixels(256, UNTOUCHED);
    const std::string expected = std::string("Leider kan ich ") + name + " nicht aufmachen";
    for (int loader = 0; loader < 3; ++loader) {
      forgetReports();
      if (loader == 0) loadRaw(pixels.data(), name, 16, 16);
      if (loader == 1) loadPcx(pixels.data(), name, pixels.size());
      if (loader == 2) loadJpeg(pixels.data(), name, 16, 16);
      expectReport(expected);
    }
    EXPECT_EQ(pixels, std::vector<Pixel>(256, UNTOUCHED));
  }
}

// The file's bytes are the first allocation; PCX and JPEG then need a buffer for the samples.
TEST_F(LoaderTest, MemoryThatCannotBeHadIsReportedByEveryLoaderAndNothingWritten) {
  write("any.raw", Bytes(16 * 16 * 3, 0x10));
  Bytes pcx = pcxHeader(0, 0);
  appendSamples(pcx, Bytes(768, 0x10));
  write("any.pcx", pcx);
  write("any.jpg", compressJpeg(Bytes(16 * 16 * 3, 0x40), 16, 16, TJPF_BGR, TJSAMP_444));
  setByteAllocator(&scarceMemory);
  for (int granted : {0, 1}) {
    for (const char* name : {"any.raw", "any.pcx", "any.jpg"}) {
      if (granted == 1 && name == std::string("any.raw")) continue;
      SCOPED_TRACE(std::string(name) + " after " + std::to_string(granted) + " allocations");
      forgetReports();
      allocationsLeft = granted;
      std::vector<Pixel> pixels(256, UNTOUCHED);
      if (name == std::string("any.raw")) loadRaw(pixels.data(), name, 16, 16);
      if (name == std::string("any.pcx")) loadPcx(pixels.data(), name, pixels.size());
      if (name == std::string("any.jpg")) loadJpeg(pixels.data(), name, 16, 16);
      expectReport(std::string("Leider kan ich kein Speicher fuer ") + name + " schaffen");
      EXPECT_EQ(pixels, std::vector<Pixel>(256, UNTOUCHED));
    }
  }
}

}  // namespace
