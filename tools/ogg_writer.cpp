// Ogg Vorbis encoding with libvorbisenc, and the decoded-peak check through libvorbisfile.
#include "ogg_writer.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

bool Encode(const TStereo& sound, float gain, float quality, TBytes& file) {
  file.clear();
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, kRate, quality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", "Letter Fight");
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  // A fixed serial number keeps the files identical from one build to the next.
  ogg_stream_init(&stream, 0x4C46);

  auto put = [&file](const ogg_page& page) {
    file.insert(file.end(), page.header, page.header + page.header_len);
    file.insert(file.end(), page.body, page.body + page.body_len);
  };
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &comments, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &comments);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) put(page);

  const size_t chunk = 4096;
  size_t done = 0;
  bool ended = false;
  while (!ended) {
    const size_t count = std::min(chunk, sound.Frames() - done);
    if (count == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
      for (size_t i = 0; i < count; ++i) {
        buffer[0][i] = sound.left[done + i] * gain;
        buffer[1][i] = sound.right[done + i] * gain;
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(count));
      done += count;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page)) {
          put(page);
          if (ogg_page_eos(&page)) ended = true;
        }
      }
    }
    if (count == 0) ended = true;
  }
  while (ogg_stream_flush(&stream, &page)) put(page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return true;
}

struct TMemoryFile {
  const TBytes* bytes;
  size_t at;
};

size_t ReadMemory(void* destination, size_t size, size_t count, void* source) {
  auto* file = static_cast<TMemoryFile*>(source);
  const size_t bytes = std::min(size * count, file->bytes->size() - file->at);
  std::memcpy(destination, file->bytes->data() + file->at, bytes);
  file->at += bytes;
  return size ? bytes / size : 0;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
  auto* file = static_cast<TMemoryFile*>(source);
  int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file->at : file->bytes->size();
  const int64_t target = base + offset;
  if (target < 0 || target > static_cast<int64_t>(file->bytes->size())) return -1;
  file->at = static_cast<size_t>(target);
  return 0;
}

long TellMemory(void* source) {
  return static_cast<long>(static_cast<TMemoryFile*>(source)->at);
}

// Peak of the decoded stream as a linear factor; negative when it does not decode.
double DecodedPeak(const TBytes& bytes) {
  TMemoryFile file{&bytes, 0};
  const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
  OggVorbis_File vf;
  if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return -1;
  double peak = 0;
  int section = 0;
  for (;;) {
    float** pcm = nullptr;
    const long frames = ov_read_float(&vf, &pcm, 4096, &section);
    if (frames < 0) {
      peak = -1;
      break;
    }
    if (frames == 0) break;
    for (int c = 0; c < vf.vi->channels; ++c)
      for (long i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(double(pcm[c][i])));
  }
  ov_clear(&vf);
  return peak;
}

}  // namespace

bool WriteOggVorbis(const std::string& path, const TStereo& sound, float quality, double targetDb,
                    double* decodedPeakDb) {
  const double target = std::pow(10.0, targetDb / 20.0);
  const double peak = sound.Peak();
  if (peak <= 0) return false;
  double gain = target / peak;
  TBytes file;
  double decoded = 0;
  // The codec's overshoot depends a little on the level itself: a few rounds settle it.
  for (int round = 0; round < 3; ++round) {
    if (!Encode(sound, static_cast<float>(gain), quality, file)) return false;
    decoded = DecodedPeak(file);
    if (decoded <= 0) return false;
    if (std::fabs(20.0 * std::log10(decoded / target)) < 0.15) break;
    gain *= target / decoded;
  }
  if (decodedPeakDb) *decodedPeakDb = 20.0 * std::log10(decoded);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}
