// The Ogg Vorbis sample loader and the decoder it reads through, fed from the system's streams.
#pragma once

#include <cstdint>

#include "audio/sample_loader.h"

// Decodes a whole Ogg Vorbis stream into one 16-bit buffer: format 2 for mono, 5 for stereo.
// A stream that ends before the frames its last page announces keeps what was decoded
// (the length shrinks to match). A stream without a single frame gives null: there is no
// sound to make of it, and a voice needs at least one frame to interpolate from.
class TOggSampleLoader : public TSampleLoader {
 public:
  TSampleBufferRef LoadSample(TStream& stream) override;
};

// libvorbisfile's decoder state, kept out of this header.
struct TOggDecoder;

// Opens a decoder reading from the stream (which must outlive it); null when the stream is
// not Ogg Vorbis. Fills the total frames of the first logical stream, and the channel count
// and rate of the current one.
TOggDecoder* OpenOggDecoder(TStream& stream, int64_t& frames, int32_t& channels, int32_t& hz);

// Decodes signed 16-bit little-endian samples until bytes are filled or the stream ends.
// Returns 0, or a negative number on a decoding error. decoded, when given, receives the
// number of bytes written.
int32_t DecodeOggInto(TOggDecoder* decoder, void* destination, int64_t bytes,
                      int64_t* decoded = nullptr);

void CloseOggDecoder(TOggDecoder* decoder);
