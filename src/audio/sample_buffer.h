// Raw PCM sample buffers in six formats and the conversions between them.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/object.h"

// Sample formats: channel count and byte layout of one frame. 16-bit samples are signed,
// 8-bit samples unsigned with 128 as silence.
constexpr int FormatMono8 = 1;
constexpr int FormatMono16LE = 2;
constexpr int FormatMono16BE = 3;
constexpr int FormatStereo8 = 4;
constexpr int FormatStereo16LE = 5;
constexpr int FormatStereo16BE = 6;

// Indexed by format number 0 (none) to 6.
inline constexpr int32_t SampleFormatChannels[7] = {0, 1, 1, 1, 2, 2, 2};
inline constexpr int32_t SampleFormatFrameBytes[7] = {0, 1, 2, 2, 2, 4, 4};

// The tables' values, and 0 for a number that names no format.
inline int32_t SampleChannels(int32_t format) {
  return format >= 0 && format <= 6 ? SampleFormatChannels[format] : 0;
}
inline int32_t SampleFrameBytes(int32_t format) {
  return format >= 0 && format <= 6 ? SampleFormatFrameBytes[format] : 0;
}

class TSampleBuffer;
using TSampleBufferRef = std::shared_ptr<TSampleBuffer>;

class TSampleBuffer : public TObject {
 public:
  TSampleBuffer() = default;
  TSampleBuffer(const TSampleBuffer&) = delete;
  TSampleBuffer& operator=(const TSampleBuffer&) = delete;
  // Frees the frames only when the buffer owns them (capacity 0 or more).
  ~TSampleBuffer() override;

  // A new buffer owning a byte copy of the frames.
  TSampleBufferRef Copy() const;
  // A new buffer of the same length and rate in another format. Raises
  // "Unimplemented sample format conversion" for a format outside 1 to 6.
  TSampleBufferRef Convert(int32_t format) const;

  // A buffer owning length x bytes-per-frame newly allocated bytes, not cleared. A negative
  // length, or a size beyond 32 bits, raises "Invalid sample buffer size".
  static TSampleBufferRef Make(int32_t length, int32_t hz, int32_t format);
  // A buffer over frames it does not own (capacity -1); the caller keeps them alive.
  static TSampleBufferRef MakeStatic(void* samples, int32_t length, int32_t hz, int32_t format);

  uint8_t* samples = nullptr;
  int32_t length = 0;
  int32_t hz = 0;
  int32_t format = 0;
  // Bytes owned by this buffer; -1 when the frames are borrowed.
  int32_t capacity = 0;
};

// Converts length frames from one format to another; the two areas must not overlap.
// Raises "Unimplemented sample format conversion" when either format is outside 1 to 6,
// unless the two are the same (then the bytes are copied).
void ConvertSamples(const void* source, int32_t sourceFormat, void* target, int32_t targetFormat,
                    int32_t length);

TSampleBufferRef NewSampleBuffer(int32_t length, int32_t hz, int32_t format);
TSampleBufferRef WrapSampleBuffer(void* samples, int32_t length, int32_t hz, int32_t format);
