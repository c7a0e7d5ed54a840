// The decoder registry, and the table of bad files that must all come out as null.
#include "graphics/pixmap_decoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "graphics/bmp_decoder.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/picture_fixtures.h"
#include "graphics/png_decoder.h"
#include "graphics/tga_decoder.h"
#include "runtime/runtime_error.h"
#include "support/memory_limits.h"

namespace {

using fixtures::Appended;
using fixtures::Bytes;
using fixtures::Patched;

// A decoder that records where it found the stream, reads a little, and answers as told.
class TProbeDecoder : public TPixmapDecoder {
 public:
  enum Answer { kNothing, kPixmap, kStreamError, kOtherError };
  TProbeDecoder(std::vector<std::string>* log, std::string name, Answer answer)
      : log_(log), name_(std::move(name)), answer_(answer) {}
  TPixmapRef Decode(const TStreamRef& stream) override {
    log_->push_back(name_ + "@" + std::to_string(stream->Pos()));
    uint8_t scratch[3];
    stream->Read(scratch, 3);
    switch (answer_) {
      case kPixmap:
        return NewPixmap(1, 1, PF_I8, 4);
      case kStreamError:
        RuntimeError("Error reading from stream");
      case kOtherError:
        RuntimeError("Decoder exploded");
      default:
        return nullptr;
    }
  }

 private:
  std::vector<std::string>* log_;
  std::string name_;
  Answer answer_;
};

// Runs each test on a registry of its own and puts the real one back afterwards.
class PixmapRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitPixmaps();
    saved_ = pixmapDecoders;
    pixmapDecoders = nullptr;
  }
  void TearDown() override { pixmapDecoders = saved_; }
  void Add(const std::string& name, TProbeDecoder::Answer answer) {
    AddPixmapDecoder(std::make_shared<TProbeDecoder>(&log_, name, answer));
  }

  std::vector<std::string> log_;
  TPixmapDecoderRef saved_;
};

TEST_F(PixmapRegistryTest, InitialisedRegistryAsksTgaPngJpegBmpInThatOrder) {
  std::vector<std::string> order;
  for (TPixmapDecoderRef d = saved_; d; d = d->next) {
    if (std::dynamic_pointer_cast<TTgaDecoder>(d))
      order.push_back("TGA");
    else if (std::dynamic_pointer_cast<TPngDecoder>(d))
      order.push_back("PNG");
    else if (std::dynamic_pointer_cast<TJpegDecoder>(d))
      order.push_back("JPEG");
    else if (std::dynamic_pointer_cast<TBmpDecoder>(d))
      order.push_back("BMP");
    else
      order.push_back("other");
  }
  EXPECT_EQ(order, (std::vector<std::string>{"TGA", "PNG", "JPEG", "BMP"}));
}

TEST_F(PixmapRegistryTest, EachDecoderStartsWhereTheStreamWasAndTheFirstPixmapWins) {
  Add("last", TProbeDecoder::kPixmap);
  Add("middle", TProbeDecoder::kPixmap);
  Add("first", TProbeDecoder::kNothing);
  auto stream = fixtures::Memory(Bytes(32, 0));
  stream->Seek(5);
  EXPECT_TRUE(LoadPixmapFrom(stream));
  EXPECT_EQ(log_, (std::vector<std::string>{"first@5", "middle@5"}));
}

TEST_F(PixmapRegistryTest, AStreamErrorMeansNotThisDecoder) {
  Add("second", TProbeDecoder::kPixmap);
  Add("first", TProbeDecoder::kStreamError);
  EXPECT_TRUE(LoadPixmapFrom(fixtures::Memory(Bytes(8, 0))));
  EXPECT_EQ(log_.size(), 2u);
}

TEST_F(PixmapRegistryTest, OtherErrorsPropagate) {
  Add("second", TProbeDecoder::kPixmap);
  Add("first", TProbeDecoder::kOtherError);
  try {
    LoadPixmapFrom(fixtures::Memory(Bytes(8, 0)));
    ADD_FAILURE() << "no error";
  } catch (const TRuntimeError& error) {
    EXPECT_EQ(error.Text(), "Decoder exploded");
  }
  EXPECT_EQ(log_.size(), 1u);
}

TEST_F(PixmapRegistryTest, NoDecoderNoSourceOrNoPositionGiveNull) {
  Add("only", TProbeDecoder::kNothing);
  EXPECT_FALSE(LoadPixmapFrom(fixtures::Memory(Bytes(8, 0))));
  EXPECT_FALSE(LoadPixmapFrom("/nonexistent-directory/picture.png"));
  EXPECT_FALSE(LoadPixmapFrom(TStreamRef()));

  // A source whose stream cannot say where it is: closed again, and no decoder asked.
  class TNoPosition : public fixtures::FailingStream {
   public:
    TNoPosition() : FailingStream(Bytes(8, 0), 8) {}
    int64_t Pos() override { return -1; }
    void Close() override { ++closed; }
    int closed = 0;
  };
  auto stream = std::make_shared<TNoPosition>();
  RegisterStreamProtocol("nopos", [stream](const std::string&, bool, bool) { return stream; });
  EXPECT_FALSE(LoadPixmapFrom("nopos::x"));
  EXPECT_EQ(stream->closed, 1);
  EXPECT_EQ(log_.size(), 1u);
}

TEST(PixmapDecoderTest, ACallersStreamStaysOpenAfterLoading) {
  InitPixmaps();
  const std::string path = ::testing::TempDir() + "pixmap_open_stream.png";
  const Bytes png = fixtures::SmallPng();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);

  TStreamRef stream = ReadStream(path);
  ASSERT_TRUE(stream);
  EXPECT_TRUE(LoadPixmapFrom(stream));
  EXPECT_NE(stream->Pos(), -1) << "the caller's file was closed";
  EXPECT_EQ(stream->Seek(1), 1);
  uint8_t letters[3] = {};
  EXPECT_EQ(stream->Read(letters, 3), 3);
  EXPECT_EQ(std::string(letters, letters + 3), "PNG");
  // A stream no decoder takes is left open too.
  TStreamRef text = ReadStream(path);
  text->Seek(png.size() - 4);
  EXPECT_FALSE(LoadPixmapFrom(text));
  EXPECT_NE(text->Pos(), -1);
  stream->Close();
  text->Close();
  std::remove(path.c_str());
}

// ---- bad files

Bytes Garbage(size_t n) {
  Bytes g(n);
  uint32_t h = 12345;
  for (auto& b : g) {
    h = h * 1103515245u + 12345u;
    b = static_cast<uint8_t>(h >> 16);
  }
  return g;
}

struct BadFile {
  std::string name;
  Bytes bytes;
};

size_t FindMarker(const Bytes& jpeg, uint8_t marker) {
  for (size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
  }
  return 0;
}

// Small files whose headers claim about 2 GB of pixels that their data cannot supply.
std::vector<BadFile> Bombs() {
  std::vector<BadFile> files;
  files.push_back({"PNG bomb: a 64 x 64 picture whose header claims 26000 x 26000",
                   fixtures::WithPngSize(fixtures::SmallPng(64, 64), 26000, 26000)});
  // One block of data for 31215 x 63997 grey pixels: corrupt from the first row on.
  const Bytes grey = fixtures::EncodeJpeg(8, 8, 1, fixtures::SmoothSamples(8, 8, 1));
  files.push_back({"JPEG bomb: an 8 x 8 picture whose frame claims 31215 x 63997",
                   Patched(grey, FindMarker(grey, 0xC0) + 5, {0xF9, 0xFD, 0x79, 0xEF})});
  return files;
}

std::vector<BadFile> BadFiles() {
  std::vector<BadFile> files = Bombs();
  const Bytes png = fixtures::SmallPng(64, 64);
  const size_t idat = fixtures::FindChunk(png, "IDAT"), iend = fixtures::FindChunk(png, "IEND");
  const size_t idatLength = fixtures::GetBe32(&png[idat]);
  const Bytes signature(png.begin(), png.begin() + 8);
  files.push_back({"empty file", {}});
  files.push_back({"PNG: wrong signature", Patched(png, 1, {'p'})});
  files.push_back({"PNG: truncated inside the signature", fixtures::Truncated(png, 5)});
  files.push_back({"PNG: truncated inside the header", fixtures::Truncated(png, 20)});
  files.push_back({"PNG: truncated after the header", fixtures::Truncated(png, 33)});
  files.push_back({"PNG: truncated inside the image data",
                   fixtures::Truncated(png, idat + 8 + idatLength / 2)});
  files.push_back({"PNG: no end chunk", fixtures::Truncated(png, iend)});
  files.push_back(
      {"PNG: flipped header checksum", Patched(png, 29, {static_cast<uint8_t>(png[29] ^ 0x01)})});
  files.push_back({"PNG: flipped data checksum",
                   Patched(png, idat + 8 + idatLength,
                           {static_cast<uint8_t>(png[idat + 8 + idatLength] ^ 0x80)})});
  files.push_back(
      {"PNG: corrupt compressed data", Patched(png, idat + 8 + 10, {0xFF, 0xFF, 0xFF, 0xFF})});
  files.push_back(
      {"PNG: header claims 100000 x 100000", fixtures::WithPngSize(png, 100000, 100000)});
  files.push_back({"PNG: header claims 0 x 16", fixtures::WithPngSize(png, 0, 16)});
  files.push_back({"PNG: garbage after the signature", Appended(signature, Garbage(300))});

  const Bytes jpeg = fixtures::EncodeJpeg(32, 32, 3, fixtures::SmoothSamples(32, 32, 3));
  const size_t sof = FindMarker(jpeg, 0xC0);
  const size_t sos = FindMarker(jpeg, 0xDA);
  files.push_back({"JPEG: truncated inside the header", fixtures::Truncated(jpeg, 30)});
  files.push_back({"JPEG: truncated inside the image data",
                   fixtures::Truncated(jpeg, sos + (jpeg.size() - sos) / 2)});
  files.push_back({"JPEG: no end marker", fixtures::Truncated(jpeg, jpeg.size() - 2)});
  files.push_back({"JPEG: garbage after the start marker", Appended({0xFF, 0xD8}, Garbage(300))});
  files.push_back(
      {"JPEG: bogus marker in the image data", Patched(jpeg, sos + 40, {0xFF, 0xC5, 0x00, 0x00})});
  files.push_back(
      {"JPEG: frame claims 65000 x 65000", Patched(jpeg, sof + 5, {0xFD, 0xE8, 0xFD, 0xE8})});
  files.push_back({"JPEG: frame claims 0 x 0", Patched(jpeg, sof + 5, {0, 0, 0, 0})});

  Bytes tgaPixels(4 * 4 * 3, 0x40);
  const Bytes tga = Appended(fixtures::TgaHeader(2, 4, 4, 24, 0), tgaPixels);
  files.push_back({"TGA: header only", fixtures::TgaHeader(2, 4, 4, 24, 0)});
  files.push_back({"TGA: truncated image data", fixtures::Truncated(tga, 18 + 20)});
  files.push_back({"TGA: greyscale type 3", Patched(tga, 2, {3})});
  files.push_back({"TGA: 8-bit true colour", Patched(tga, 16, {8})});
  files.push_back({"TGA: width 0", Patched(tga, 12, {0, 0})});
  files.push_back({"TGA: width 5000", Patched(tga, 12, {0x88, 0x13})});
  files.push_back({"TGA: true colour with a colour map", Patched(tga, 1, {1})});
  files.push_back({"TGA: colour-mapped without a map",
                   Appended(fixtures::TgaHeader(1, 2, 2, 8, 0), Bytes(4, 0))});
  files.push_back({"TGA: run-length data ends early",
                   Appended(fixtures::TgaHeader(10, 100, 100, 32, 8), {0xFF, 1, 2, 3, 4, 0x05})});

  const Bytes bmp = fixtures::Bmp(2, 2, 24, {Bytes(8, 0x22), Bytes(8, 0x33)});
  files.push_back({"BMP: signature only", {'B', 'M'}});
  files.push_back({"BMP: truncated info header", fixtures::Truncated(bmp, 30)});
  files.push_back({"BMP: truncated rows", fixtures::Truncated(bmp, bmp.size() - 3)});
  files.push_back({"BMP: run-length compressed", Patched(bmp, 30, {1})});
  files.push_back({"BMP: 2 bits per pixel", Patched(bmp, 28, {2})});
  files.push_back({"BMP: height 0", Patched(bmp, 22, {0, 0, 0, 0})});
  files.push_back({"BMP: claims 100000 x 100000",
                   Patched(bmp, 18, {0xA0, 0x86, 0x01, 0x00, 0xA0, 0x86, 0x01, 0x00})});
  files.push_back({"BMP: unknown info header size", Patched(bmp, 14, {64})});
  files.push_back({"BMP: data offset inside the header", Patched(bmp, 10, {20})});
  files.push_back({"BMP: garbage after the signature", Appended({'B', 'M'}, Garbage(300))});
  return files;
}

TEST(PixmapDecoderTest, BadFilesGiveNullWithoutCrashing) {
  InitPixmaps();
  for (const BadFile& file : BadFiles()) {
    SCOPED_TRACE(file.name);
    auto stream = fixtures::Memory(file.bytes);
    EXPECT_FALSE(LoadPixmapFrom(stream));
  }
}

// The bombs again, in a process that cannot map much more than it has: a decoder that
// allocated the claimed pixels before finding the data missing fails there.
TEST(PixmapDecoderDeathTest, BombsAreRefusedBeforeTheirPixelsAreAllocated) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const BadFile& file : Bombs()) {
    SCOPED_TRACE(file.name);
    EXPECT_EXIT(
        {
          InitPixmaps();
          LimitAddressSpaceToMore(512);
          try {
            std::exit(LoadPixmapFrom(fixtures::Memory(file.bytes)) ? 1 : 0);
          } catch (const std::bad_alloc&) {
            std::fputs("allocated the claimed pixels", stderr);
            std::exit(2);
          }
        },
        ::testing::ExitedWithCode(0), "");
  }
#endif
}

// The most compressible pictures of the game's screen size stay within what their files can
// hold, so the bomb checks refuse none of them.
TEST(PixmapDecoderTest, UniformScreenSizedPicturesLoad) {
  InitPixmaps();
  for (int32_t format : {PF_I8, PF_RGBA8888}) {
    TPixmapRef blank = NewPixmap(1024, 768, format, 4);
    std::fill_n(blank->pixels, size_t(blank->pitch) * blank->height, uint8_t{0});
    auto file = TMemoryStream::Growing();
    ASSERT_EQ(SavePixmapPng(blank, file, 9), 1);
    EXPECT_TRUE(LoadPixmapFrom(fixtures::Memory(file->Bytes()))) << format;
  }
  fixtures::PngPicture deep;
  deep.width = 1024;
  deep.height = 768;
  deep.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  deep.bitDepth = 16;
  deep.sample = [](int, int, int) { return 0u; };
  EXPECT_TRUE(LoadPixmapFrom(fixtures::Memory(fixtures::EncodePng(deep))));
  for (int components : {1, 3}) {
    const Bytes black(size_t{1024} * 768 * components, 0);
    EXPECT_TRUE(
        LoadPixmapFrom(fixtures::Memory(fixtures::EncodeJpeg(1024, 768, components, black))))
        << components;
  }
}

// The narrowest picture and one as wide as the largest texture, through every decoder: every
// pixel arrives where it belongs, and the TGA decoder refuses a side over its 4096 limit.
TEST(PixmapDecoderTest, OneByOneAndSixteenThousandByOnePicturesLoad) {
  InitPixmaps();
  // A colour that tells columns apart: red and green count x up, blue is constant.
  auto rgb = [](int x) { return std::array<uint8_t, 3>{uint8_t(x), uint8_t(x >> 8), 0x5A}; };
  for (const int width : {1, 16384}) {
    SCOPED_TRACE(width);
    fixtures::PngPicture png;
    png.width = width;
    png.height = 1;
    png.sample = [&](int x, int, int c) { return uint32_t(rgb(x)[c]); };
    Bytes bgr;  // BMP and TGA rows are B, G, R; a BMP row is padded to 4 bytes
    for (int x = 0; x < width; ++x) bgr.insert(bgr.end(), {rgb(x)[2], rgb(x)[1], rgb(x)[0]});
    Bytes bmpRow = bgr;
    bmpRow.resize((bgr.size() + 3) / 4 * 4, 0);
    const Bytes uniform = {200, 100, 50};
    Bytes jpegSamples;
    for (int x = 0; x < width; ++x)
      jpegSamples.insert(jpegSamples.end(), uniform.begin(), uniform.end());
    const struct Case {
      const char* name;
      Bytes file;
      bool lossy;
    } cases[] = {
        {"PNG", fixtures::EncodePng(png), false},
        {"BMP", fixtures::Bmp(width, 1, 24, {bmpRow}), false},
        {"TGA", Appended(fixtures::TgaHeader(2, width, 1, 24, 0), bgr), false},
        {"JPEG", fixtures::EncodeJpeg(width, 1, 3, jpegSamples), true},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      TPixmapRef p = LoadPixmapFrom(fixtures::Memory(c.file));
      if (std::string(c.name) == "TGA" && width > 4096) {
        EXPECT_FALSE(p) << "wider than the TGA decoder's limit";
        continue;
      }
      ASSERT_TRUE(p);
      ASSERT_EQ(p->width, width);
      ASSERT_EQ(p->height, 1);
      int wrong = 0, first_wrong = -1;
      for (int x = 0; x < width; ++x) {
        const uint32_t argb = p->GetPixelARGB(x, 0);
        bool ok;
        if (c.lossy) {
          ok = std::abs(int(argb >> 16 & 255) - uniform[0]) <= 3 &&
               std::abs(int(argb >> 8 & 255) - uniform[1]) <= 3 &&
               std::abs(int(argb & 255) - uniform[2]) <= 3;
        } else {
          const auto [r, g, b] = rgb(x);
          ok = argb == (0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
        }
        if (!ok && wrong++ == 0) first_wrong = x;
      }
      EXPECT_EQ(wrong, 0) << "first at x = " << first_wrong << ": "
                          << (first_wrong >= 0 ? fixtures::ArgbText(p->GetPixelARGB(first_wrong, 0))
                                               : "");
    }
  }
}

TEST(PixmapDecoderTest, TheGoodFilesBehindTheBadOnesLoad) {
  // So that the bad-file table fails for the damage done, not for a fixture nobody can read.
  InitPixmaps();
  const Bytes good[] = {
      fixtures::SmallPng(64, 64),
      fixtures::EncodeJpeg(32, 32, 3, fixtures::SmoothSamples(32, 32, 3)),
      fixtures::EncodeJpeg(8, 8, 1, fixtures::SmoothSamples(8, 8, 1)),
      Appended(fixtures::TgaHeader(2, 4, 4, 24, 0), Bytes(4 * 4 * 3, 0x40)),
      fixtures::Bmp(2, 2, 24, {Bytes(8, 0x22), Bytes(8, 0x33)}),
  };
  for (const Bytes& bytes : good) EXPECT_TRUE(LoadPixmapFrom(fixtures::Memory(bytes)));
}

}  // namespace
