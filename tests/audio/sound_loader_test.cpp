// The loader registry and the WAV and Ogg Vorbis loaders, on files the tests make themselves.
#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "audio/ogg_loader.h"
#include "audio/sample_loader.h"
#include "audio/wav_loader.h"
#include "runtime/runtime_error.h"
#include "sound_fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

using sound_fixtures::Chunk;
using sound_fixtures::MakeOgg;
using sound_fixtures::MakeWav;
using sound_fixtures::Put16;
using sound_fixtures::Put32;
using sound_fixtures::PutTag;
using sound_fixtures::SetOggPageGranule;
using sound_fixtures::WavSpec;

TSampleBufferRef Load(const Bytes& bytes) {
  return LoadSampleBuffer(TMemoryStream::Own(bytes));
}

int16_t Sample16(const TSampleBufferRef& s, int64_t index) {
  return static_cast<int16_t>(s->samples[2 * index] | s->samples[2 * index + 1] << 8);
}

// Root mean square of one channel of a 16-bit buffer, over full scale.
double Level(const TSampleBufferRef& s, int channel) {
  const int channels = SampleChannels(s->format);
  double sum = 0;
  for (int32_t i = 0; i < s->length; ++i) {
    double v = Sample16(s, static_cast<int64_t>(i) * channels + channel) / 32768.0;
    sum += v * v;
  }
  return std::sqrt(sum / s->length);
}

class LoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitAudioLoaders(); }
};

// ---- Ogg Vorbis

TEST_F(LoaderTest, OggLoadsMonoAsFormat2AndStereoAsFormat5) {
  struct Case {
    int channels, hz, frames, format;
  } cases[] = {{1, 22050, 11025, FormatMono16LE}, {2, 44100, 30000, FormatStereo16LE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.channels);
    auto sample = Load(MakeOgg(c.channels, c.hz, c.frames));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->format, c.format);
    EXPECT_EQ(sample->length, c.frames);
    EXPECT_EQ(sample->hz, c.hz);
    EXPECT_EQ(sample->capacity, c.frames * 2 * c.channels);
    // A 0.5 sine has a level of about 0.35; the silent right side stays near 0.
    EXPECT_NEAR(Level(sample, 0), 0.354, 0.03);
    if (c.channels == 2) {
      EXPECT_LT(Level(sample, 1), 0.01);
    }
  }
}

TEST_F(LoaderTest, WavLoaderIsAskedFirstAndLeavesOggAfterFourBytes) {
  ASSERT_NE(dynamic_cast<TWavSampleLoader*>(SampleLoaders.get()), nullptr);
  ASSERT_NE(SampleLoaders->next, nullptr);
  EXPECT_NE(dynamic_cast<TOggSampleLoader*>(SampleLoaders->next.get()), nullptr);

  auto ogg = TMemoryStream::Own(MakeOgg(1, 8000, 4000));
  EXPECT_EQ(TWavSampleLoader().LoadSample(*ogg), nullptr);
  EXPECT_EQ(ogg->Pos(), 4);
  // The registry rewinds the stream for the Ogg loader after the WAV loader's read.
  ogg->Seek(0);
  auto sample = LoadSampleBuffer(ogg);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(sample->length, 4000);
}

// A stream that delivers nothing once a budget of bytes has been read, like a file that
// loses its tail while it is being decoded.
struct DryingStream : TStream {
  explicit DryingStream(const Bytes& bytes) : inner(TMemoryStream::Own(bytes)) {}
  int64_t Pos() override { return inner->Pos(); }
  int64_t Size() override { return inner->Size(); }
  int64_t Seek(int64_t pos) override { return inner->Seek(pos); }
  int64_t Read(void* buffer, int64_t n) override {
    int64_t got = inner->Read(buffer, std::min(n, budget - used));
    used += got;
    return got;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  bool Eof() override { return used >= budget || inner->Eof(); }
  void Close() override {}

  TStreamRef inner;
  int64_t budget = INT64_MAX;
  int64_t used = 0;
};

TEST_F(LoaderTest, OggThatEndsEarlyKeepsWhatItDecoded) {
  const Bytes ogg = MakeOgg(1, 44100, 200000);
  // Measure what opening costs, then let the stream dry up right after the open.
  DryingStream probe(ogg);
  int64_t frames = 0;
  int32_t channels = 0, hz = 0;
  TOggDecoder* decoder = OpenOggDecoder(probe, frames, channels, hz);
  ASSERT_NE(decoder, nullptr);
  CloseOggDecoder(decoder);
  ASSERT_EQ(frames, 200000);

  DryingStream stream(ogg);
  stream.budget = probe.used;
  auto sample = TOggSampleLoader().LoadSample(stream);
  ASSERT_NE(sample, nullptr);
  EXPECT_GT(sample->length, 0);
  EXPECT_LT(sample->length, 200000);
  EXPECT_EQ(sample->capacity, 200000 * 2);
  EXPECT_NEAR(Level(sample, 0), 0.354, 0.03);
}

TEST_F(LoaderTest, OggCutInTheAudioLoadsWhatItsWholePagesHold) {
  Bytes whole = MakeOgg(1, 44100, 200000);
  Bytes cut(whole.begin(), whole.begin() + whole.size() * 3 / 4);
  auto sample = Load(cut);
  ASSERT_NE(sample, nullptr);
  EXPECT_GT(sample->length, 0);
  EXPECT_LT(sample->length, 200000);
  EXPECT_NEAR(Level(sample, 0), 0.354, 0.03);
}

// ---- WAV

TEST_F(LoaderTest, WavLoadsEachLayoutAndSkipsWhatIsNotData) {
  struct Case {
    const char* name;
    WavSpec spec;
    int32_t format, length;
  } cases[] = {
      {"16-bit mono", {.data = {0x34, 0x12, 0xCC, 0xED}}, FormatMono16LE, 2},
      {"16-bit stereo", {.channels = 2, .data = {1, 0, 2, 0, 3, 0, 4, 0}}, FormatStereo16LE, 2},
      {"8-bit mono", {.bits = 8, .data = {0, 128, 255}}, FormatMono8, 3},
      {"8-bit stereo", {.channels = 2, .bits = 8, .data = {0, 255}}, FormatStereo8, 1},
      {"18-byte format chunk", {.fmtSize = 18, .data = {0x34, 0x12}}, FormatMono16LE, 1},
      {"LIST before data", {.before = Chunk("LIST", 26), .data = {0x34, 0x12}}, FormatMono16LE, 1},
      {"two chunks before data",
       {.fmtSize = 18,
        .before =
            [] {
              Bytes b = Chunk("LIST", 4), f = Chunk("fact", 4);
              b.insert(b.end(), f.begin(), f.end());
              return b;
            }(),
        .data = {0x34, 0x12}},
       FormatMono16LE,
       1},
      {"odd-sized chunk with its pad byte",
       {.before =
            [] {
              Bytes b = Chunk("LIST", 5);
              b.push_back(0);
              return b;
            }(),
        .data = {0x34, 0x12}},
       FormatMono16LE,
       1},
      {"odd-sized chunk from a writer that leaves the pad out",
       {.before = Chunk("LIST", 5), .data = {0x34, 0x12}},
       FormatMono16LE,
       1},
      // A size that is no whole number of frames: the partial frame is left out.
      {"odd data size", {.channels = 2, .data = {1, 0, 2, 0, 3}}, FormatStereo16LE, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto sample = Load(MakeWav(c.spec));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->format, c.format);
    EXPECT_EQ(sample->length, c.length);
    EXPECT_EQ(sample->hz, 22050);
    const int32_t bytes = c.length * SampleFrameBytes(c.format);
    EXPECT_EQ(Bytes(sample->samples, sample->samples + bytes),
              Bytes(c.spec.data.begin(), c.spec.data.begin() + bytes));
  }
}

TEST_F(LoaderTest, LoadsFromAPathAndLeavesTheCallersStreamOpen) {
  const std::string path = ::testing::TempDir() + "sound_loader_test.wav";
  const Bytes wav = MakeWav({.data = {0x34, 0x12}});
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);
  auto fromPath = LoadSampleBuffer(path);
  std::remove(path.c_str());
  ASSERT_NE(fromPath, nullptr);
  EXPECT_EQ(Sample16(fromPath, 0), 0x1234);

  auto stream = TMemoryStream::Own(wav);
  ASSERT_NE(LoadSampleBuffer(stream), nullptr);
  // Still open: it can be rewound and read again.
  EXPECT_EQ(stream->Seek(0), 0);
  EXPECT_NE(LoadSampleBuffer(stream), nullptr);
}

// ---- bad input

TEST_F(LoaderTest, BadFilesGiveNull) {
  Bytes ogg = MakeOgg(2, 22050, 5000);
  Bytes longOgg = MakeOgg(1, 44100, 200000);
  Bytes garbage(3000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
  Bytes flippedOgg = ogg;
  flippedOgg[40] ^= 0xFF;  // inside the first page: its checksum no longer matches
  WavSpec pastEnd{.data = {1, 2, 3, 4}, .dataSize = 1 << 30};
  WavSpec notWave{.data = {1, 2}};
  Bytes notWaveBytes = MakeWav(notWave);
  std::memcpy(&notWaveBytes[8], "AVI ", 4);

  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"garbage", garbage},
      {"Ogg cut in its headers", Bytes(ogg.begin(), ogg.begin() + 200)},
      {"Ogg cut after its first page", Bytes(ogg.begin(), ogg.begin() + 58)},
      {"Ogg cut before its first whole audio page",
       Bytes(longOgg.begin(), longOgg.begin() + longOgg.size() / 2)},
      {"Ogg with a damaged first page", flippedOgg},
      // With its last page cut, the header page's granule is the stream's length: times the
      // frame size it overflowed 64 bits and passed the size check (found by fuzzing).
      {"Ogg cut in its last page, whose header page claims 2^62 + 1000 frames",
       [] {
         Bytes b = MakeOgg(2, 44100, 2000);
         SetOggPageGranule(b, 1, (int64_t{1} << 62) + 1000);
         b.resize(b.size() - 20);
         return b;
       }()},
      {"just OggS", {'O', 'g', 'g', 'S'}},
      {"WAV data size past the end", MakeWav(pastEnd)},
      {"WAV cut in its data",
       [] {
         Bytes b = MakeWav({.data = Bytes(400, 9)});
         b.resize(b.size() - 100);
         return b;
       }()},
      {"WAV non-PCM", MakeWav({.code = 3, .bits = 16, .data = {1, 2}})},
      {"WAV 24-bit", MakeWav({.bits = 24, .data = {1, 2, 3}})},
      {"WAV 3 channels", MakeWav({.channels = 3, .data = {1, 2, 3, 4, 5, 6}})},
      {"WAV with no frames", MakeWav({.data = {}})},
      {"WAV with less than a frame", MakeWav({.channels = 2, .data = {1, 2, 3}})},
      {"WAV zero rate", MakeWav({.hz = 0, .data = {1, 2}})},
      {"WAV format chunk too short", MakeWav({.fmtSize = 14, .data = {1, 2}})},
      {"WAV without data",
       [] {
         Bytes b = MakeWav({.data = {}});
         b.resize(b.size() - 8);
         Bytes list = Chunk("LIST", 10);
         b.insert(b.end(), list.begin(), list.end());
         return b;
       }()},
      {"WAV with a chunk running past the end",
       [] {
         Bytes b = MakeWav({.data = {}});
         b.resize(b.size() - 8);
         Bytes list = Chunk("LIST", 10);
         list[4] = 0xFF, list[5] = 0xFF, list[6] = 0xFF, list[7] = 0x7F;
         b.insert(b.end(), list.begin(), list.end());
         return b;
       }()},
      {"RIFF but not WAVE", notWaveBytes},
      {"RIFF alone", {'R', 'I', 'F', 'F'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSampleBufferRef sample;
    EXPECT_NO_THROW(sample = Load(c.bytes));
    EXPECT_EQ(sample, nullptr);
  }
}

// ---- the registry

// A loader that reads a few bytes and records where it started.
struct ProbeLoader : TSampleLoader {
  std::function<TSampleBufferRef(TStream&)> body;
  std::vector<int64_t>* starts = nullptr;
  TSampleBufferRef LoadSample(TStream& stream) override {
    starts->push_back(stream.Pos());
    return body(stream);
  }
};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioLoaders();
    saved_ = SampleLoaders;
    SampleLoaders = nullptr;
  }
  void TearDown() override { SampleLoaders = saved_; }

  void Add(std::function<TSampleBufferRef(TStream&)> body) {
    auto loader = std::make_shared<ProbeLoader>();
    loader->body = std::move(body);
    loader->starts = &starts_;
    AddSampleLoader(loader);
  }

  std::vector<int64_t> starts_;
  TSampleLoaderRef saved_;
};

TEST_F(RegistryTest, AsksTheLastAddedFirstAndRewindsToWhereTheStreamStood) {
  auto found = NewSampleBuffer(1, 8000, FormatMono8);
  Add([&](TStream&) { return found; });
  Add([](TStream& s) {
    char b[5];
    s.ReadBytes(b, 5);
    return TSampleBufferRef();
  });
  auto stream = TMemoryStream::Own(Bytes(20, 1));
  stream->Seek(3);
  EXPECT_EQ(LoadSampleBuffer(stream), found);
  EXPECT_EQ(starts_, (std::vector<int64_t>{3, 3}));
}

TEST_F(RegistryTest, StreamErrorsMeanNotThisLoaderButOtherErrorsPropagate) {
  auto found = NewSampleBuffer(1, 8000, FormatMono8);
  Add([&](TStream&) { return found; });
  Add([](TStream&) -> TSampleBufferRef { RuntimeError("Error reading from stream"); });
  Add([](TStream&) -> TSampleBufferRef { RuntimeError("Error writing to stream"); });
  EXPECT_EQ(LoadSampleBuffer(TMemoryStream::Own(Bytes(4))), found);
  EXPECT_EQ(starts_.size(), 3u);

  Add([](TStream&) -> TSampleBufferRef { RuntimeError("Out of ideas"); });
  try {
    LoadSampleBuffer(TMemoryStream::Own(Bytes(4)));
    ADD_FAILURE() << "the error was swallowed";
  } catch (const TRuntimeError& e) {
    EXPECT_EQ(e.Text(), "Out of ideas");
  }
}

// A stream that cannot tell where it is, like a pipe.
struct PipeStream : TMemoryStream {
  int64_t Pos() override { return -1; }
};

TEST_F(RegistryTest, UnseekableStreamRaisesAndUnopenableSourceGivesNull) {
  Add([](TStream&) { return NewSampleBuffer(1, 8000, FormatMono8); });
  try {
    LoadSampleBuffer(std::make_shared<PipeStream>());
    ADD_FAILURE() << "no error";
  } catch (const TRuntimeError& e) {
    EXPECT_EQ(e.Text(), "Stream is not seekable");
  }
  EXPECT_EQ(LoadSampleBuffer("/nonexistent/sound.wav"), nullptr);
  EXPECT_EQ(LoadSampleBuffer(TStreamRef()), nullptr);
  EXPECT_TRUE(starts_.empty());
}

}  // namespace
