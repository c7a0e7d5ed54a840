// Sample buffers: the conversion table, the error for unknown formats, ownership of frames.
#include "audio/sample_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/runtime_error.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Convert(const Bytes& in, int32_t from, int32_t to, int32_t length) {
  Bytes out(static_cast<size_t>(length) * SampleFrameBytes(to), 0xAA);
  ConvertSamples(in.data(), from, out.data(), to, length);
  return out;
}

struct ConversionCase {
  const char* name;
  int32_t from;
  Bytes in;
  int32_t to;
  Bytes out;
};

TEST(SampleBufferTest, ConvertsEveryDirectionThroughTheStereoBigEndianPivot) {
  const ConversionCase cases[] = {
      {"8-bit full scale up", 1, {255}, 6, {0x7F, 0xFF, 0x7F, 0xFF}},
      {"8-bit bottom", 1, {0}, 6, {0x80, 0x00, 0x80, 0x00}},
      {"8-bit silence", 1, {128}, 6, {0x00, 0x80, 0x00, 0x80}},
      {"mono LE swapped, twice", 2, {0x34, 0x12}, 6, {0x12, 0x34, 0x12, 0x34}},
      {"mono BE as is, twice", 3, {0x12, 0x34}, 6, {0x12, 0x34, 0x12, 0x34}},
      {"stereo 8-bit", 4, {255, 0}, 6, {0x7F, 0xFF, 0x80, 0x00}},
      {"stereo LE swapped", 5, {0x01, 0x02, 0x03, 0x04}, 6, {0x02, 0x01, 0x04, 0x03}},
      // (100 + -101) / 2 truncates toward zero to 0, not down to -1.
      {"average truncates toward zero", 6, {0x00, 100, 0xFF, 0x9B}, 2, {0, 0}},
      {"average of 100 and 102", 6, {0x00, 100, 0x00, 102}, 2, {101, 0}},
      {"average to big-endian", 6, {0xFF, 0xFD, 0xFF, 0xFC}, 3, {0xFF, 0xFD}},
      {"pivot top to 8-bit", 6, {0x7F, 0xFF, 0x7F, 0xFF}, 1, {255}},
      {"pivot bottom to 8-bit", 6, {0x80, 0x00, 0x80, 0x00}, 1, {0}},
      {"pivot to stereo 8-bit", 6, {0x7F, 0xFF, 0x80, 0x00}, 4, {255, 0}},
      {"pivot to stereo LE", 6, {0x02, 0x01, 0x04, 0x03}, 5, {0x01, 0x02, 0x03, 0x04}},
      {"same format copies", 6, {1, 2, 3, 4}, 6, {1, 2, 3, 4}},
      // Stereo 8-bit to mono goes through the pivot: 32767 and -32768 average to 0.
      {"stereo 8-bit to mono 16", 4, {255, 0}, 2, {0, 0}},
      // 32767 and 128 average to 16447 = 0x403F.
      {"stereo 8-bit to mono 16, uneven", 4, {255, 128}, 2, {0x3F, 0x40}},
      {"mono 8-bit survives a round trip", 1, {200}, 4, {200, 200}},
      {"stereo LE to mono BE", 5, {0xFD, 0xFF, 0xFC, 0xFF}, 3, {0xFF, 0xFD}},
      {"mono LE to stereo LE", 2, {0x34, 0x12}, 5, {0x34, 0x12, 0x34, 0x12}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Convert(c.in, c.from, c.to, 1), c.out) << c.name;
  }
}

TEST(SampleBufferTest, LongIndirectConversionKeepsEveryFrameInPlace) {
  // Longer than any internal slice, with a value per frame that shows a misplaced frame.
  const int32_t length = 2500;
  Bytes mono(length * 2);
  for (int32_t i = 0; i < length; ++i) {
    int16_t v = static_cast<int16_t>(i * 13 - 16000);
    mono[2 * i] = static_cast<uint8_t>(v);
    mono[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  Bytes stereo = Convert(mono, FormatMono16LE, FormatStereo16LE, length);
  for (int32_t i = 0; i < length; ++i) {
    ASSERT_EQ(stereo[4 * i], mono[2 * i]) << i;
    ASSERT_EQ(stereo[4 * i + 1], mono[2 * i + 1]) << i;
    ASSERT_EQ(stereo[4 * i + 2], mono[2 * i]) << i;
    ASSERT_EQ(stereo[4 * i + 3], mono[2 * i + 1]) << i;
  }
}

TEST(SampleBufferTest, UnknownFormatRaisesUnlessBothSidesAreTheSame) {
  Bytes in(16, 7), out(16, 0);
  const int32_t pairs[][2] = {{0, 2}, {2, 0}, {7, 6}, {6, 7}, {-1, 5}, {5, 9}};
  for (const auto& p : pairs) {
    try {
      ConvertSamples(in.data(), p[0], out.data(), p[1], 2);
      ADD_FAILURE() << p[0] << " -> " << p[1] << " did not raise";
    } catch (const TRuntimeError& e) {
      EXPECT_EQ(e.Text(), "Unimplemented sample format conversion");
    }
  }
  EXPECT_NO_THROW(ConvertSamples(in.data(), 9, out.data(), 9, 2));

  auto buffer = TSampleBuffer::Make(4, 22050, FormatMono16LE);
  try {
    buffer->Convert(8);
    ADD_FAILURE() << "Convert(8) did not raise";
  } catch (const TRuntimeError& e) {
    EXPECT_EQ(e.Text(), "Unimplemented sample format conversion");
  }
}

TEST(SampleBufferTest, MakeCopyAndConvertOwnTheirFrames) {
  auto made = NewSampleBuffer(3, 22050, FormatStereo16LE);
  EXPECT_EQ(made->length, 3);
  EXPECT_EQ(made->hz, 22050);
  EXPECT_EQ(made->format, FormatStereo16LE);
  EXPECT_EQ(made->capacity, 12);
  for (int i = 0; i < 12; ++i) made->samples[i] = static_cast<uint8_t>(i);

  auto copy = made->Copy();
  EXPECT_NE(copy->samples, made->samples);
  EXPECT_EQ(Bytes(copy->samples, copy->samples + 12), Bytes(made->samples, made->samples + 12));
  EXPECT_EQ(copy->capacity, 12);
  EXPECT_EQ(copy->hz, 22050);

  auto mono = made->Convert(FormatMono16BE);
  EXPECT_EQ(mono->length, 3);
  EXPECT_EQ(mono->hz, 22050);
  EXPECT_EQ(mono->capacity, 6);
  // Frame 0 is left 0x0100, right 0x0302: their average 0x0201, big-endian.
  EXPECT_EQ(mono->samples[0], 0x02);
  EXPECT_EQ(mono->samples[1], 0x01);
}

TEST(SampleBufferTest, WrappedFramesStayTheCallersAfterTheBufferGoes) {
  Bytes frames = {1, 2, 3, 4};
  {
    auto wrapped = WrapSampleBuffer(frames.data(), 2, 8000, FormatMono16LE);
    EXPECT_EQ(wrapped->capacity, -1);
    EXPECT_EQ(wrapped->samples, frames.data());
    auto copy = wrapped->Copy();
    EXPECT_EQ(copy->capacity, 4);
    EXPECT_NE(copy->samples, frames.data());
  }
  // Freeing borrowed memory would have been caught by the allocator or a sanitizer.
  EXPECT_EQ(frames, (Bytes{1, 2, 3, 4}));
}

TEST(SampleBufferTest, ImpossibleSizesRaiseInsteadOfAllocating) {
  for (int32_t length : {-1, 0x40000000}) {
    try {
      TSampleBuffer::Make(length, 44100, FormatStereo16LE);
      ADD_FAILURE() << length;
    } catch (const TRuntimeError& e) {
      EXPECT_EQ(e.Text(), "Invalid sample buffer size");
    }
  }
  EXPECT_EQ(TSampleBuffer::Make(0, 44100, FormatStereo16LE)->capacity, 0);
}

}  // namespace
