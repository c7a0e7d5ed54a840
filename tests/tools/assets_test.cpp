// The generated assets, read back through the game's own loaders: sizes, formats, lengths,
// levels, seamless loops, effects that start at once, and pictures the game's text stays
// readable on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/sample_buffer.h"
#include "audio/sample_loader.h"
#include "graphics/pixmap.h"
#include "graphics/pixmap_decoder.h"

namespace {

const std::string kAssets = ASSET_DIR;
const std::string kIcons = ICON_DIR;

// ---- pictures

struct TPictureCase {
  std::string path;
  int width, height;
};

std::ostream& operator<<(std::ostream& out, const TPictureCase& c) {
  return out << c.path;
}

class Picture : public testing::TestWithParam<TPictureCase> {
 protected:
  static void SetUpTestSuite() { InitPixmaps(); }
};

TEST_P(Picture, LoadsAtItsSize) {
  TPixmapRef pixmap = LoadPixmapFrom(GetParam().path);
  ASSERT_TRUE(pixmap) << GetParam().path;
  EXPECT_EQ(pixmap->width, GetParam().width);
  EXPECT_EQ(pixmap->height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Generated, Picture,
                         testing::Values(TPictureCase{kAssets + "/background_menu.png", 1024, 768},
                                         TPictureCase{kAssets + "/background.png", 1024, 768},
                                         TPictureCase{kIcons + "/letterfight-256.png", 256, 256},
                                         TPictureCase{kIcons + "/letterfight-48.png", 48, 48}));

// Luma (0 to 255) of every pixel inside a rectangle, read through the pixmap's own accessor.
std::vector<double> Lumas(const TPixmapRef& pixmap, int x0, int y0, int x1, int y1) {
  std::vector<double> lumas;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint32_t argb = pixmap->GetPixelARGB(x, y);
      lumas.push_back(0.299 * ((argb >> 16) & 255) + 0.587 * ((argb >> 8) & 255) +
                      0.114 * (argb & 255));
    }
  return lumas;
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return sum / values.size();
}

TEST(PictureContent, RoundBackgroundIsLightEverywhereForBlackLetters) {
  InitPixmaps();
  TPixmapRef pixmap = LoadPixmapFrom(kAssets + "/background.png");
  ASSERT_TRUE(pixmap);
  const std::vector<double> all = Lumas(pixmap, 0, 0, 1024, 768);
  EXPECT_GE(*std::min_element(all.begin(), all.end()), 170.0);
  // Low contrast: no dark detail anywhere for a letter to get lost in.
  EXPECT_LT(*std::max_element(all.begin(), all.end()) - *std::min_element(all.begin(), all.end()),
            80.0);
}

TEST(PictureContent, MenuBackgroundIsDarkWhereTheEntriesAreDrawn) {
  InitPixmaps();
  TPixmapRef pixmap = LoadPixmapFrom(kAssets + "/background_menu.png");
  ASSERT_TRUE(pixmap);
  // The five entries: centred at x 512, the first one's top at y 468, 1.3 lines apart.
  const std::vector<double> entries = Lumas(pixmap, 340, 468, 684, 720);
  EXPECT_LT(Mean(entries), 60.0);
  EXPECT_LT(*std::max_element(entries.begin(), entries.end()), 130.0);
}

TEST(PictureContent, IconIsARoundedTileWithTransparentCorners) {
  InitPixmaps();
  for (int size : {256, 48}) {
    TPixmapRef pixmap = LoadPixmapFrom(kIcons + "/letterfight-" + std::to_string(size) + ".png");
    ASSERT_TRUE(pixmap);
    EXPECT_EQ(pixmap->GetPixelARGB(0, 0) >> 24, 0u) << size;
    EXPECT_EQ(pixmap->GetPixelARGB(size - 1, size - 1) >> 24, 0u) << size;
    EXPECT_EQ(pixmap->GetPixelARGB(size / 2, size / 2) >> 24, 255u) << size;
  }
}

// ---- sounds

// A loaded file's samples as two channels of 16-bit values.
struct TDecoded {
  TSampleBufferRef buffer;
  std::vector<int16_t> channel[2];
  int32_t Frames() const { return buffer->length; }
  double Seconds() const { return double(buffer->length) / buffer->hz; }
};

TDecoded Decode(const std::string& name) {
  TDecoded decoded;
  decoded.buffer = LoadSampleBuffer(kAssets + "/" + name);
  if (!decoded.buffer || decoded.buffer->format != FormatStereo16LE) return decoded;
  const auto* samples = reinterpret_cast<const int16_t*>(decoded.buffer->samples);
  for (int32_t i = 0; i < decoded.buffer->length; ++i)
    for (int c = 0; c < 2; ++c) decoded.channel[c].push_back(samples[2 * i + c]);
  return decoded;
}

int PeakOf(const std::vector<int16_t>& samples, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(int(samples[i])));
  return peak;
}

double Db(int peak) {
  return 20.0 * std::log10(peak / 32768.0);
}

// Format and level, common to music and effects.
void ExpectStereo44100AtLevel(const TDecoded& sound, double targetDb) {
  ASSERT_TRUE(sound.buffer);
  ASSERT_EQ(sound.buffer->format, FormatStereo16LE);
  EXPECT_EQ(sound.buffer->hz, 44100);
  int peak = 0;
  for (const auto& samples : sound.channel)
    peak = std::max(peak, PeakOf(samples, 0, samples.size()));
  // Full scale is where the decoder had to clip.
  EXPECT_LT(peak, 32767);
  EXPECT_NEAR(Db(peak), targetDb, 1.0);
}

class Music : public testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { InitAudioLoaders(); }
};

TEST_P(Music, IsStereoAt44100HzPeakingNearMinus6Db) {
  ExpectStereo44100AtLevel(Decode(GetParam()), -6.0);
}

TEST_P(Music, LoopsEvery20To40Seconds) {
  const TDecoded sound = Decode(GetParam());
  ASSERT_TRUE(sound.buffer);
  EXPECT_GE(sound.Seconds(), 20.0);
  EXPECT_LE(sound.Seconds(), 40.0);
}

TEST_P(Music, JoinsItsEndToItsStartWithoutAClickOrAGap) {
  const TDecoded sound = Decode(GetParam());
  ASSERT_TRUE(sound.buffer);
  const size_t n = sound.Frames(), edge = 441;  // 10 ms
  ASSERT_GT(n, 2 * edge);
  for (const auto& samples : sound.channel) {
    // The last 10 ms followed by the first 10 ms, as heard when the loop repeats.
    std::vector<int> joined(samples.end() - edge, samples.end());
    joined.insert(joined.end(), samples.begin(), samples.begin() + edge);
    // The music's ordinary change from one sample to the next around the join; a cut-off
    // tail or a jump in level shows as a step at the seam far above it.
    int ordinary = 0;
    for (size_t i = 1; i < joined.size(); ++i)
      if (i != edge) ordinary = std::max(ordinary, std::abs(joined[i] - joined[i - 1]));
    EXPECT_LE(std::abs(joined[edge] - joined[edge - 1]), ordinary);
    // No gap: both ends carry sound at a level like the rest of the loop.
    const int whole = PeakOf(samples, 0, n);
    EXPECT_GT(PeakOf(samples, n - edge, n), whole / 20);
    EXPECT_GT(PeakOf(samples, 0, edge), whole / 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Generated, Music,
                         testing::Values("backgroundmusic_menu.ogg", "backgroundmusic_game.ogg"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

class Effect : public testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { InitAudioLoaders(); }
};

TEST_P(Effect, IsStereoAt44100HzPeakingNearMinus3Db) {
  ExpectStereo44100AtLevel(Decode(GetParam()), -3.0);
}

TEST_P(Effect, IsShorterThanHalfASecondAndStartsAtOnce) {
  const TDecoded sound = Decode(GetParam());
  ASSERT_TRUE(sound.buffer);
  EXPECT_LT(sound.Seconds(), 0.5);
  const size_t first10ms = 441;
  ASSERT_GT(sound.Frames(), int32_t(first10ms));
  for (const auto& samples : sound.channel) {
    const int whole = PeakOf(samples, 0, samples.size());
    // Within the first 10 ms the effect is already at a good part of its full level,
    EXPECT_GT(PeakOf(samples, 0, first10ms), whole / 4);
    // and its very first millisecond is not silence.
    EXPECT_GT(PeakOf(samples, 0, 44), 100);
  }
}

INSTANTIATE_TEST_SUITE_P(Generated, Effect,
                         testing::Values("laser.ogg", "buiu.ogg", "fx1.ogg", "tubo5.ogg"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
