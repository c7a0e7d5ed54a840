// Images through the recording render driver: keying, handles, strips, driver frames made once
// per graphics and rebuilt when asked, and bad input.
#include "graphics/image.h"

#include <gtest/gtest.h>

#include <string>

#include "graphics/draw_graphics.h"
#include "graphics/graphics_module.h"
#include "graphics/picture_fixtures.h"
#include "runtime/runtime_error.h"
#include "runtime/stream.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"

namespace {

// Registers bytes as "incbin::name"; they stay alive for the run.
std::string Embed(const std::string& name, fixtures::Bytes bytes) {
  static std::vector<std::unique_ptr<fixtures::Bytes>> kept;
  kept.push_back(std::make_unique<fixtures::Bytes>(std::move(bytes)));
  RegisterEmbeddedData(name, kept.back()->data(), static_cast<int64_t>(kept.back()->size()));
  return "incbin::" + name;
}

// A 2 x 1 PNG: a black pixel, then a red one; with alpha, the black one is opaque.
std::string TwoPixelPng(int colorType) {
  fixtures::PngPicture p;
  p.width = 2;
  p.height = 1;
  p.colorType = colorType;
  p.sample = [](int x, int, int c) -> uint32_t {
    if (c == 3) return 255;
    return x == 1 && c == 0 ? 255 : 0;
  };
  return Embed("image_test/" + std::to_string(colorType) + ".png", fixtures::EncodePng(p));
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_ = InstallFakeSystemDriver();
    driver = OpenRecordingGraphics();
    ASSERT_NE(driver, nullptr);
  }
  void TearDown() override {
    CloseAppGraphics();
    SelectDisplayDriver(nullptr, 0);
    SetAutoMidHandle(0);
  }

  // The pixmap the driver was given for the image's frame when it was drawn.
  TPixmapRef DrawnPixmap(const TImageRef& image, int32_t frame = 0) {
    DrawImageAt(image, 0, 0, frame);
    TDrawCall quad = driver->Last("DrawQuad");
    return quad.frame ? quad.frame->pixmap : nullptr;
  }

  std::shared_ptr<TFakeSystemDriver> system_;
  TRecordingRenderDriverRef driver;
};

TEST_F(ImageTest, MaskColourKeysOnlyPicturesWithoutAlphaAndOnlyWhenMasked) {
  struct Case {
    int colorType;
    int32_t flags;
    uint32_t black;  // what the black pixel becomes
  };
  const Case cases[] = {
      {PNG_COLOR_TYPE_RGB, -1, 0x00u},              // default flags 3: keyed away
      {PNG_COLOR_TYPE_RGB_ALPHA, -1, 0xFF000000u},  // own alpha: black stays black
      {PNG_COLOR_TYPE_RGB, 0, 0xFF000000u},         // flags 0 never key
      {PNG_COLOR_TYPE_RGB, ImageFlagFiltered, 0xFF000000u},
  };
  for (const Case& c : cases) {
    TImageRef image = LoadImageFile(TwoPixelPng(c.colorType), c.flags);
    ASSERT_NE(image, nullptr);
    TPixmapRef p = DrawnPixmap(image);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetPixelARGB(0, 0) >> 24, c.black >> 24) << c.colorType << " " << c.flags;
    if (c.black >> 24) {
      EXPECT_EQ(p->GetPixelARGB(0, 0), c.black);
    }
    EXPECT_EQ(p->GetPixelARGB(1, 0), 0xFFFF0000u);
    EXPECT_EQ(driver->Last("CreateFrame").Arg(0), c.flags == -1 ? 3 : c.flags);
  }
}

TEST_F(ImageTest, AutoMidHandleCentresOnHalfPixels) {
  SetAutoMidHandle(1);
  TImageRef on = CreateBlankImage(101, 50, 1, -1);
  EXPECT_EQ(on->handleX, 50.5f);
  EXPECT_EQ(on->handleY, 25.0f);
  SetAutoMidHandle(0);
  TImageRef off = CreateBlankImage(101, 50, 1, -1);
  EXPECT_EQ(off->handleX, 0.0f);
  EXPECT_EQ(off->handleY, 0.0f);
  EXPECT_EQ(off->flags, 11);
  SetDefaultImageFlags(-1);
  EXPECT_EQ(CreateBlankImage(1, 1, 1, -1)->flags, 11);
  SetDefaultImageFlags(0);
  EXPECT_EQ(CreateBlankImage(1, 1, 1, -1)->flags, ImageFlagDynamic);
}

TEST_F(ImageTest, StripCutsCellsLeftToRightThenTopToBottom) {
  // Each pixel tells the cell it is in.
  TPixmapRef sheet = NewPixmap(64, 32, PF_RGBA8888, 4);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 64; ++x)
      sheet->PutPixelARGB(x, y, 0xFF000000u | (x / 16) << 8 | (y / 16));
  TImageRef strip = TImage::FromStrip(sheet, 16, 16, 2, 6, 0, 0, 0, 0);
  ASSERT_NE(strip, nullptr);
  ASSERT_EQ(strip->pixmaps.size(), 6u);
  const int cells[6][2] = {{2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(strip->pixmaps[i]->GetPixelARGB(15, 15),
              0xFF000000u | static_cast<uint32_t>(cells[i][0]) << 8 | cells[i][1])
        << i;
    // Each frame owns its copy.
    EXPECT_NE(strip->pixmaps[i]->pixels, sheet->PixelAddress(cells[i][0] * 16, cells[i][1] * 16));
  }
  // Too few cells, and sizes that would divide by zero or read out of range.
  EXPECT_EQ(TImage::FromStrip(sheet, 16, 16, 3, 6, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(TImage::FromStrip(sheet, 0, 16, 0, 1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(TImage::FromStrip(sheet, 16, 0, 0, 1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(TImage::FromStrip(sheet, -16, 16, 0, 1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(TImage::FromStrip(sheet, 16, 16, 0, -1, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(TImage::FromStrip(sheet, 16, 16, -1, 2, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(LoadImageStrip("incbin::no such picture", 16, 16, 0, 1, 0), nullptr);
}

TEST_F(ImageTest, DriverFrameIsMadeOncePerGraphicsAndAgainAfterReopening) {
  TImageRef image = CreateBlankImage(4, 4, 1, 0);
  DrawImageAt(image, 0, 0, 0);
  DrawImageAt(image, 5, 5, 0);
  EXPECT_EQ(driver->Count("CreateFrame"), 1);
  TPixmapRef kept = image->pixmaps[0];

  CloseAppGraphics();
  ASSERT_NE(OpenGraphics(1024, 768, 32, 0, 0), nullptr);
  driver->ClearCalls();
  DrawImageAt(image, 0, 0, 0);
  DrawImageAt(image, 0, 0, 0);
  EXPECT_EQ(driver->Count("CreateFrame"), 1);
  EXPECT_EQ(driver->Last("CreateFrame").pixmap, kept);
  EXPECT_EQ(driver->Count("DrawQuad"), 2);
}

TEST_F(ImageTest, LockingForWritingRebuildsTheTexture) {
  TImageRef image = CreateBlankImage(4, 4, 2, 0);
  DrawImageAt(image, 0, 0, 1);
  image->LockPixmap(1, 1, 0);
  DrawImageAt(image, 0, 0, 1);
  EXPECT_EQ(driver->Count("CreateFrame"), 1);
  image->LockPixmap(1, 1, 1);
  DrawImageAt(image, 0, 0, 1);
  EXPECT_EQ(driver->Count("CreateFrame"), 2);
  image->AssignPixmap(1, NewPixmap(4, 4, PF_RGBA8888, 4));
  DrawImageAt(image, 0, 0, 1);
  EXPECT_EQ(driver->Count("CreateFrame"), 3);
}

TEST_F(ImageTest, FramesOutOfRangeOrWithoutADriverAreNull) {
  TImageRef image = CreateBlankImage(4, 4, 2, 0);
  EXPECT_EQ(image->GetFrame(2), nullptr);
  EXPECT_EQ(image->GetFrame(-1), nullptr);
  EXPECT_EQ(image->LockPixmap(2, 1, 1), nullptr);
  image->AssignPixmap(-1, NewPixmap(4, 4, PF_RGBA8888, 4));
  DrawImageAt(image, 0, 0, 7);
  EXPECT_EQ(driver->Count("CreateFrame"), 0);

  BindDrawGraphics(nullptr);
  EXPECT_EQ(image->GetFrame(0), nullptr);
  EXPECT_EQ(driver->Count("CreateFrame"), 0);
}

// A driver whose first CreateFrame fails the way the OpenGL driver does without a texture size.
class TFailingOnceDriver : public TRecordingRenderDriver {
 public:
  TImageFrameRef CreateFrame(const TPixmapRef& pixmap, int32_t flags) override {
    if (fail) {
      fail = false;
      throw TRuntimeError("Unable to calculate tex size");
    }
    return TRecordingRenderDriver::CreateFrame(pixmap, flags);
  }
  bool fail = true;
};

TEST(ImageFrameFailure, AFailedFrameIsTriedAgain) {
  InitGraphics();
  auto system = InstallFakeSystemDriver();
  auto driver = std::make_shared<TFailingOnceDriver>();
  SelectDisplayDriver(driver, GRAPHICS_BACKBUFFER);
  ASSERT_NE(OpenGraphics(640, 480, 0, 0, 0), nullptr);
  TImageRef image = CreateBlankImage(4, 4, 1, 0);
  EXPECT_THROW(image->GetFrame(0), TRuntimeError);
  EXPECT_NE(image->GetFrame(0), nullptr);
  EXPECT_EQ(driver->Count("CreateFrame"), 1);
  CloseAppGraphics();
  SelectDisplayDriver(nullptr, 0);
}

TEST_F(ImageTest, CaptureKeysWithTheModuleMaskColour) {
  driver->screen = NewPixmap(4, 4, PF_RGBA8888, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      driver->screen->PutPixelARGB(x, y, x < 2 ? 0xFF102030u : 0xFF00FF00u);
  SetImageMaskColor(0x10, 0x20, 0x30);
  TImageRef masked = TImage::New(4, 4, 1, ImageFlagMasked, 0, 0, 0);
  CaptureImage(masked, 0, 0, 0);
  ASSERT_NE(masked->pixmaps[0], nullptr);
  EXPECT_EQ(masked->pixmaps[0]->GetPixelARGB(0, 0) >> 24, 0u);
  EXPECT_EQ(masked->pixmaps[0]->GetPixelARGB(3, 0), 0xFF00FF00u);
  TImageRef plain = TImage::New(4, 4, 1, 0, 0, 0, 0);
  CaptureImage(plain, 0, 0, 0);
  EXPECT_EQ(plain->pixmaps[0]->GetPixelARGB(0, 0), 0xFF102030u);
}

TEST_F(ImageTest, SourcesThatGiveNoPictureGiveNoImage) {
  SetAutoMidHandle(1);
  const std::string sources[] = {
      Embed("image_test/not a picture", fixtures::Bytes(64, 0x5A)),
      Embed("image_test/cut png", fixtures::Truncated(fixtures::SmallPng(), 40)),
      "incbin::image_test/missing",
      "/nonexistent/picture.png",
      "",
  };
  for (const std::string& source : sources) {
    EXPECT_EQ(LoadImageFile(source, -1), nullptr) << source;
    EXPECT_EQ(LoadImageStrip(source, 1, 1, 0, 1, -1), nullptr) << source;
  }
  EXPECT_EQ(TImage::FromSource(TPixmapRef(), 0, 0, 0, 0), nullptr);
}

}  // namespace
