// The WAV sample loader.
#include "audio/wav_loader.h"

#include <cstring>

namespace {

// Little-endian fields; each returns false when the stream ends before the field does.
bool ReadExactly(TStream& stream, void* out, int64_t n) {
  return stream.ReadBytes(out, n) == n;
}

bool ReadU16(TStream& stream, uint32_t& value) {
  uint8_t b[2];
  if (!ReadExactly(stream, b, 2)) return false;
  value = b[0] | b[1] << 8;
  return true;
}

bool ReadU32(TStream& stream, uint32_t& value) {
  uint8_t b[4];
  if (!ReadExactly(stream, b, 4)) return false;
  value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
  return true;
}

bool ReadTag(TStream& stream, char (&tag)[4]) {
  return ReadExactly(stream, tag, 4);
}

bool TagIs(const char (&tag)[4], const char* name) {
  return std::memcmp(tag, name, 4) == 0;
}

bool Skip(TStream& stream, int64_t n) {
  int64_t here = stream.Pos();
  return here >= 0 && stream.Seek(here + n) >= 0;
}

int32_t FormatFor(uint32_t bits, uint32_t channels) {
  if (bits == 8 && channels == 1) return FormatMono8;
  if (bits == 8 && channels == 2) return FormatStereo8;
  if (bits == 16 && channels == 1) return FormatMono16LE;
  if (bits == 16 && channels == 2) return FormatStereo16LE;
  return 0;
}

}  // namespace

TSampleBufferRef TWavSampleLoader::LoadSample(TStream& stream) {
  char tag[4];
  uint32_t riffSize;
  // Only the tag is read before giving up, so an Ogg file costs this loader four bytes.
  if (!ReadTag(stream, tag) || !TagIs(tag, "RIFF")) return nullptr;
  if (!ReadU32(stream, riffSize)) return nullptr;
  if (!ReadTag(stream, tag) || !TagIs(tag, "WAVE")) return nullptr;
  if (!ReadTag(stream, tag) || !TagIs(tag, "fmt ")) return nullptr;

  uint32_t fmtSize, code, channels, hz, byteRate, align, bits;
  if (!ReadU32(stream, fmtSize) || !ReadU16(stream, code) || !ReadU16(stream, channels) ||
      !ReadU32(stream, hz) || !ReadU32(stream, byteRate) || !ReadU16(stream, align) ||
      !ReadU16(stream, bits)) {
    return nullptr;
  }
  // A chunk shorter than the fields just read would have us reading the next chunk as format.
  if (fmtSize < 16 || code != 1) return nullptr;
  const int32_t format = FormatFor(bits, channels);
  if (format == 0 || hz == 0 || hz > INT32_MAX) return nullptr;
  if (fmtSize > 16 && !Skip(stream, fmtSize - 16)) return nullptr;

  uint32_t chunkSize;
  while (ReadTag(stream, tag) && ReadU32(stream, chunkSize)) {
    if (!TagIs(tag, "data")) {
      if (!Skip(stream, chunkSize)) return nullptr;
      // RIFF pads an odd-sized chunk with a zero byte. Some writers leave the pad out; a tag
      // never starts with a zero byte, so the byte tells which kind of file this is.
      if (chunkSize % 2 == 1) {
        uint8_t pad = 0;
        if (stream.Read(&pad, 1) == 1 && pad != 0 && !Skip(stream, -1)) return nullptr;
      }
      continue;
    }
    const int32_t frameBytes = SampleFrameBytes(format);
    const int64_t frames = chunkSize / frameBytes;
    const int64_t bytes = frames * frameBytes;
    // A data size that runs past the end of the file is a damaged file, not a reason to
    // allocate what it claims.
    const int64_t size = stream.Size();
    const int64_t here = stream.Pos();
    if (size >= 0 && here >= 0 && bytes > size - here) return nullptr;
    // A file without a single frame is no sound: a voice needs one frame to interpolate from.
    if (frames == 0 || bytes > INT32_MAX) return nullptr;
    auto sample =
        TSampleBuffer::Make(static_cast<int32_t>(frames), static_cast<int32_t>(hz), format);
    if (bytes > 0 && !ReadExactly(stream, sample->samples, bytes)) return nullptr;
    return sample;
  }
  return nullptr;
}
