// Sample buffers: allocation, copying and format conversion through the stereo big-endian pivot.
#include "audio/sample_buffer.h"

#include <algorithm>
#include <cstring>

#include "runtime/runtime_error.h"

namespace {

bool KnownFormat(int32_t format) {
  return format >= 1 && format <= 6;
}

[[noreturn]] void Unimplemented() {
  RuntimeError("Unimplemented sample format conversion");
}

// Format 6 frames are written and read as four bytes: left high, left low, right high, right low.
inline void PutPivot(uint8_t* out, int32_t left, int32_t right) {
  out[0] = static_cast<uint8_t>(left >> 8);
  out[1] = static_cast<uint8_t>(left);
  out[2] = static_cast<uint8_t>(right >> 8);
  out[3] = static_cast<uint8_t>(right);
}

inline int32_t Signed16(uint8_t high, uint8_t low) {
  return static_cast<int16_t>(static_cast<uint16_t>(high << 8 | low));
}

inline int32_t From8(uint8_t b) {
  return b * 257 - 32768;
}
inline uint8_t To8(int32_t v) {
  return static_cast<uint8_t>((v + 32768) / 257);
}

void ToPivot(const uint8_t* in, int32_t format, uint8_t* out, int32_t length) {
  for (int32_t i = 0; i < length; ++i, out += 4) {
    switch (format) {
      case FormatMono8: {
        int32_t v = From8(in[i]);
        PutPivot(out, v, v);
        break;
      }
      case FormatMono16LE: {
        int32_t v = Signed16(in[2 * i + 1], in[2 * i]);
        PutPivot(out, v, v);
        break;
      }
      case FormatMono16BE: {
        int32_t v = Signed16(in[2 * i], in[2 * i + 1]);
        PutPivot(out, v, v);
        break;
      }
      case FormatStereo8:
        PutPivot(out, From8(in[2 * i]), From8(in[2 * i + 1]));
        break;
      case FormatStereo16LE: {
        const uint8_t* f = in + 4 * i;
        PutPivot(out, Signed16(f[1], f[0]), Signed16(f[3], f[2]));
        break;
      }
      case FormatStereo16BE:
        std::memcpy(out, in + 4 * i, 4);
        break;
    }
  }
}

void FromPivot(const uint8_t* in, uint8_t* out, int32_t format, int32_t length) {
  for (int32_t i = 0; i < length; ++i, in += 4) {
    int32_t left = Signed16(in[0], in[1]);
    int32_t right = Signed16(in[2], in[3]);
    // C++ division truncates toward zero, as the mix of the two sides must.
    int32_t mid = (left + right) / 2;
    switch (format) {
      case FormatMono8:
        out[i] = To8(mid);
        break;
      case FormatMono16LE:
        out[2 * i] = static_cast<uint8_t>(mid);
        out[2 * i + 1] = static_cast<uint8_t>(mid >> 8);
        break;
      case FormatMono16BE:
        out[2 * i] = static_cast<uint8_t>(mid >> 8);
        out[2 * i + 1] = static_cast<uint8_t>(mid);
        break;
      case FormatStereo8:
        out[2 * i] = To8(left);
        out[2 * i + 1] = To8(right);
        break;
      case FormatStereo16LE:
        out[4 * i] = in[1];
        out[4 * i + 1] = in[0];
        out[4 * i + 2] = in[3];
        out[4 * i + 3] = in[2];
        break;
      case FormatStereo16BE:
        std::memcpy(out + 4 * i, in, 4);
        break;
    }
  }
}

}  // namespace

TSampleBuffer::~TSampleBuffer() {
  if (capacity >= 0) delete[] samples;
}

TSampleBufferRef TSampleBuffer::Make(int32_t length, int32_t hz, int32_t format) {
  int64_t bytes = static_cast<int64_t>(length) * SampleFrameBytes(format);
  if (length < 0 || bytes > INT32_MAX) RuntimeError("Invalid sample buffer size");
  auto buffer = std::make_shared<TSampleBuffer>();
  buffer->samples = new uint8_t[std::max<int64_t>(bytes, 1)];
  buffer->length = length;
  buffer->hz = hz;
  buffer->format = format;
  buffer->capacity = static_cast<int32_t>(bytes);
  return buffer;
}

TSampleBufferRef TSampleBuffer::MakeStatic(void* samples, int32_t length, int32_t hz,
                                           int32_t format) {
  auto buffer = std::make_shared<TSampleBuffer>();
  buffer->samples = static_cast<uint8_t*>(samples);
  buffer->length = length;
  buffer->hz = hz;
  buffer->format = format;
  buffer->capacity = -1;
  return buffer;
}

TSampleBufferRef TSampleBuffer::Copy() const {
  auto copy = Make(length, hz, format);
  if (copy->capacity > 0) std::memcpy(copy->samples, samples, copy->capacity);
  return copy;
}

TSampleBufferRef TSampleBuffer::Convert(int32_t target) const {
  if (target != format && (!KnownFormat(format) || !KnownFormat(target))) Unimplemented();
  auto converted = Make(length, hz, target);
  ConvertSamples(samples, format, converted->samples, target, length);
  return converted;
}

void ConvertSamples(const void* source, int32_t sourceFormat, void* target, int32_t targetFormat,
                    int32_t length) {
  auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(target);
  if (sourceFormat == targetFormat) {
    int64_t bytes = static_cast<int64_t>(std::max(length, 0)) * SampleFrameBytes(sourceFormat);
    if (bytes > 0) std::memcpy(out, in, static_cast<size_t>(bytes));
    return;
  }
  if (!KnownFormat(sourceFormat) || !KnownFormat(targetFormat)) Unimplemented();
  if (length <= 0) return;
  if (targetFormat == FormatStereo16BE) return ToPivot(in, sourceFormat, out, length);
  if (sourceFormat == FormatStereo16BE) return FromPivot(in, out, targetFormat, length);

  // Any other pair goes through the pivot in slices, so that no temporary the size of the
  // whole sound is needed.
  constexpr int32_t kSlice = 1024;
  uint8_t pivot[kSlice * 4];
  int32_t inBytes = SampleFrameBytes(sourceFormat);
  int32_t outBytes = SampleFrameBytes(targetFormat);
  for (int32_t done = 0; done < length; done += kSlice) {
    int32_t n = std::min(kSlice, length - done);
    ToPivot(in + static_cast<int64_t>(done) * inBytes, sourceFormat, pivot, n);
    FromPivot(pivot, out + static_cast<int64_t>(done) * outBytes, targetFormat, n);
  }
}

TSampleBufferRef NewSampleBuffer(int32_t length, int32_t hz, int32_t format) {
  return TSampleBuffer::Make(length, hz, format);
}

TSampleBufferRef WrapSampleBuffer(void* samples, int32_t length, int32_t hz, int32_t format) {
  return TSampleBuffer::MakeStatic(samples, length, hz, format);
}
