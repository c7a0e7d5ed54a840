// Streams: exact reads at and past the end, the read error, views, sources and protocols.
#include "runtime/stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "runtime/module_init.h"
#include "runtime/runtime_error.h"

namespace {

// A stream that reports no end yet delivers nothing, like a failing device.
class StuckStream : public TStream {
 public:
  int64_t Pos() override { return -1; }
  int64_t Size() override { return -1; }
  int64_t Seek(int64_t) override { return -1; }
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t) override { return 0; }
  bool Eof() override { return false; }
  void Close() override {}
};

TEST(Stream, ReadBytesStopsEarlyAtTheEndWithoutError) {
  const char data[] = "abcdef";
  auto s = TMemoryStream::Borrow(data, 6);
  char buffer[10];
  std::memset(buffer, '.', sizeof buffer);
  EXPECT_EQ(s->ReadBytes(buffer, 4), 4);
  EXPECT_EQ(s->ReadBytes(buffer, 10), 2);
  EXPECT_EQ(std::string(buffer, 10), "efcd......");  // the rest keeps what it held
  EXPECT_TRUE(s->Eof());
  EXPECT_EQ(s->ReadBytes(buffer, 3), 0);  // at the end: nothing, still no error
}

TEST(Stream, ReadThatGetsNothingBeforeTheEndRaises) {
  StuckStream s;
  char buffer[4];
  try {
    s.ReadBytes(buffer, 4);
    FAIL() << "no error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ(e.what(), "Error reading from stream");
  }
}

TEST(Stream, FileStreamReadsSeeksAndSizes) {
  auto path = std::filesystem::temp_directory_path() / "stream_test_file.bin";
  {
    auto w = WriteStream(path.string());
    ASSERT_NE(w, nullptr);
    w->WriteBytes("0123456789", 10);
    w->Close();
  }
  auto r = ReadStream(path.string());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Size(), 10);
  EXPECT_EQ(r->Seek(7), 7);
  char buffer[8] = {};
  EXPECT_EQ(r->ReadBytes(buffer, 8), 3);
  EXPECT_STREQ(buffer, "789");
  EXPECT_TRUE(r->Eof());
  EXPECT_EQ(r->Seek(1), 1);
  EXPECT_FALSE(r->Eof());  // a seek clears the end
  EXPECT_EQ(r->Pos(), 1);
  r->Close();
  std::filesystem::remove(path);
  EXPECT_EQ(ReadStream(path.string()), nullptr);
}

TEST(Stream, ViewCloseLeavesTheCallersStreamOpen) {
  auto base = TMemoryStream::Own({1, 2, 3, 4});
  TStreamRef view = OpenStream(base);
  uint8_t b = 0;
  view->ReadBytes(&b, 1);
  EXPECT_EQ(b, 1);
  view->Close();
  EXPECT_EQ(view->Read(&b, 1), 0);
  EXPECT_EQ(base->Pos(), 1);
  EXPECT_EQ(base->ReadBytes(&b, 1), 1);
  EXPECT_EQ(b, 2);
}

TEST(Stream, ProtocolSourcesAndEmbeddedData) {
  InitRuntime();
  static const char font[] = "embedded bytes";
  RegisterEmbeddedData("font.bin", font, sizeof font - 1);
  auto s = ReadStream("incbin::font.bin");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Size(), 14);
  EXPECT_EQ(LoadBytes("incbin::font.bin").size(), 14u);
  EXPECT_EQ(ReadStream("incbin::nothing"), nullptr);
  EXPECT_EQ(ReadStream("nosuchprotocol::font.bin"), nullptr);
  EXPECT_EQ(OpenStream("incbin::font.bin", false, true), nullptr);  // read-only
}

TEST(Stream, GrowingMemoryStreamKeepsWhatIsWritten) {
  auto s = TMemoryStream::Growing();
  s->WriteBytes("abc", 3);
  s->Seek(1);
  s->WriteBytes("XYZ", 3);
  EXPECT_EQ(s->Size(), 4);
  EXPECT_EQ(std::string(s->Bytes().begin(), s->Bytes().end()), "aXYZ");
}

}  // namespace
