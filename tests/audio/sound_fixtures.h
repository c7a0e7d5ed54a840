// Sound files the tests make themselves: Ogg Vorbis from libvorbisenc and WAV built by hand.
#pragma once

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sound_fixtures {

using Bytes = std::vector<uint8_t>;

// An Ogg Vorbis file of the given frames: a 440 Hz sine on the left (and on mono), silence on
// the right.
inline Bytes MakeOgg(int channels, int hz, int frames) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  EXPECT_EQ(vorbis_encode_init_vbr(&vi, channels, hz, 0.1f), 0);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);

  Bytes file;
  auto put = [&](ogg_page& page) {
    file.insert(file.end(), page.header, page.header + page.header_len);
    file.insert(file.end(), page.body, page.body + page.body_len);
  };

  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) put(page);

  const int chunk = 1024;
  bool eos = false;
  for (int done = 0; !eos;) {
    int n = std::min(chunk, frames - done);
    if (n > 0) {
      float** in = vorbis_analysis_buffer(&vd, n);
      for (int i = 0; i < n; ++i) {
        in[0][i] = 0.5f * std::sin(2 * M_PI * 440.0 * (done + i) / hz);
        if (channels == 2) in[1][i] = 0.0f;
      }
      vorbis_analysis_wrote(&vd, n);
      done += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) {
          put(page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return file;
}

// Writes a granule position into the page'th page of an Ogg file and makes its checksum right
// again: the way a damaged file claims a length it does not have.
inline void SetOggPageGranule(Bytes& file, int page, int64_t granule) {
  size_t at = 0;
  for (int k = 0; at + 27 <= file.size(); ++k) {
    const size_t segments = file[at + 26];
    const size_t headerBytes = 27 + segments;
    if (at + headerBytes > file.size()) break;
    size_t bodyBytes = 0;
    for (size_t s = 0; s < segments; ++s) bodyBytes += file[at + 27 + s];
    if (at + headerBytes + bodyBytes > file.size()) break;
    if (k == page) {
      for (int i = 0; i < 8; ++i) file[at + 6 + i] = static_cast<uint8_t>(granule >> (8 * i));
      ogg_page whole{&file[at], static_cast<long>(headerBytes), &file[at + headerBytes],
                     static_cast<long>(bodyBytes)};
      ogg_page_checksum_set(&whole);
      return;
    }
    at += headerBytes + bodyBytes;
  }
  ADD_FAILURE() << "no page " << page;
}

// Fields left out of a designated initialiser keep these defaults.
struct WavSpec {
  uint32_t fmtSize = 16;
  uint16_t code = 1;
  uint16_t channels = 1;
  uint32_t hz = 22050;
  uint16_t bits = 16;
  Bytes before = {};  // whole chunks between the format chunk and the data chunk
  Bytes data = {};
  int64_t dataSize = -1;  // the size the data chunk claims; -1: its real size
};

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

inline Bytes MakeWav(const WavSpec& s) {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);  // nobody reads it
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, s.fmtSize);
  Put16(b, s.code);
  Put16(b, s.channels);
  Put32(b, s.hz);
  Put32(b, s.hz * s.channels * s.bits / 8);
  Put16(b, s.channels * s.bits / 8);
  Put16(b, s.bits);
  b.resize(b.size() + s.fmtSize - 16, 0xEE);
  b.insert(b.end(), s.before.begin(), s.before.end());
  PutTag(b, "data");
  Put32(b, s.dataSize >= 0 ? static_cast<uint32_t>(s.dataSize) : s.data.size());
  b.insert(b.end(), s.data.begin(), s.data.end());
  return b;
}

inline Bytes Chunk(const char* tag, size_t size) {
  Bytes b;
  PutTag(b, tag);
  Put32(b, static_cast<uint32_t>(size));
  b.resize(b.size() + size, 'x');
  return b;
}

}  // namespace sound_fixtures
