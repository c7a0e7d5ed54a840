// The Ogg Vorbis sample loader over libvorbisfile's callback interface.
#include "audio/ogg_loader.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>

struct TOggDecoder {
  OggVorbis_File file;
};

namespace {

// NOTE: these run inside libvorbisfile, which is C: an exception must not pass through it,
// so a stream that raises is treated as one that has ended or cannot move.
size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0) return 0;
  try {
    int64_t got = static_cast<TStream*>(source)->Read(buffer, static_cast<int64_t>(size * count));
    return got > 0 ? static_cast<size_t>(got) / size : 0;
  } catch (...) {
    return 0;
  }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
  auto* stream = static_cast<TStream*>(source);
  try {
    int64_t base;
    switch (whence) {
      case SEEK_SET:
        base = 0;
        break;
      case SEEK_CUR:
        base = stream->Pos();
        break;
      case SEEK_END:
        base = stream->Size();
        break;
      default:
        return -1;
    }
    if (base < 0) return -1;
    return stream->Seek(base + offset) >= 0 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

// The registry closes the stream; the decoder only borrows it.
int CloseCallback(void* source) {
  return 0;
}

long TellCallback(void* source) {
  try {
    return static_cast<long>(static_cast<TStream*>(source)->Pos());
  } catch (...) {
    return -1;
  }
}

}  // namespace

TOggDecoder* OpenOggDecoder(TStream& stream, int64_t& frames, int32_t& channels, int32_t& hz) {
  const ov_callbacks callbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};
  auto* decoder = new TOggDecoder();
  if (ov_open_callbacks(&stream, &decoder->file, nullptr, 0, callbacks) < 0) {
    // A failed open has already released what it allocated.
    delete decoder;
    return nullptr;
  }
  frames = ov_pcm_total(&decoder->file, 0);
  const vorbis_info* info = ov_info(&decoder->file, -1);
  channels = info ? info->channels : 0;
  hz = info ? static_cast<int32_t>(info->rate) : 0;
  return decoder;
}

int32_t DecodeOggInto(TOggDecoder* decoder, void* destination, int64_t bytes, int64_t* decoded) {
  auto* out = static_cast<char*>(destination);
  int64_t done = 0;
  int32_t status = 0;
  while (done < bytes) {
    int section = 0;
    const int ask = static_cast<int>(std::min<int64_t>(bytes - done, 1 << 16));
    long got = ov_read(&decoder->file, out + done, ask, 0, 2, 1, &section);
    if (got < 0) {
      status = static_cast<int32_t>(got);
      break;
    }
    if (got == 0) break;  // the stream ended early
    done += got;
  }
  if (decoded) *decoded = done;
  return status;
}

void CloseOggDecoder(TOggDecoder* decoder) {
  if (!decoder) return;
  ov_clear(&decoder->file);
  delete decoder;
}

TSampleBufferRef TOggSampleLoader::LoadSample(TStream& stream) {
  int64_t frames = 0;
  int32_t channels = 0, hz = 0;
  TOggDecoder* decoder = OpenOggDecoder(stream, frames, channels, hz);
  if (!decoder) return nullptr;

  TSampleBufferRef sample;
  // Only mono and stereo have a format; more channels would also overrun a buffer sized for
  // two. The size must fit the buffer's 32-bit byte count. The length is the granule position
  // of the last page libvorbisfile could read, which a damaged file sets to anything: divide,
  // never multiply it.
  const int64_t frameBytes = 2 * static_cast<int64_t>(channels);
  if ((channels == 1 || channels == 2) && hz > 0 && frames > 0 &&
      frames <= INT32_MAX / frameBytes) {
    sample = TSampleBuffer::Make(static_cast<int32_t>(frames), hz,
                                 channels == 1 ? FormatMono16LE : FormatStereo16LE);
    int64_t decoded = 0;
    int32_t status = DecodeOggInto(decoder, sample->samples, frames * frameBytes, &decoded);
    if (status != 0 || decoded < frameBytes) {
      sample = nullptr;
    } else {
      sample->length = static_cast<int32_t>(decoded / frameBytes);
    }
  }
  CloseOggDecoder(decoder);
  return sample;
}
