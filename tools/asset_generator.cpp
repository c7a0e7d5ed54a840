// Makes the game's assets: the two backgrounds, the two music loops, the four effects and the
// icon. Usage: asset_generator ASSET_DIR ICON_DIR FONT_FILE
// The output depends only on this program and the font, so a build re-runs it only when they
// change. The two loops are rendered on a second thread: they take most of the time.
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "graphics/png_decoder.h"
#include "music.h"
#include "ogg_writer.h"
#include "pictures.h"

namespace {

constexpr float kVorbisQuality = 0.4f;
constexpr double kMusicPeakDb = -6.0;
constexpr double kEffectPeakDb = -3.0;

struct TSoundJob {
  const char* name;
  TStereo (*make)();
  double peakDb;
};

// Renders, encodes and writes one sound; returns the report line, empty on failure.
std::string MakeSound(const std::string& directory, const TSoundJob& job) {
  const TStereo sound = job.make();
  double peak = 0;
  if (!WriteOggVorbis(directory + "/" + job.name, sound, kVorbisQuality, job.peakDb, &peak))
    return "";
  char line[160];
  std::snprintf(line, sizeof line, "%-26s %7.3f s  peak %6.2f dBFS", job.name,
                static_cast<double>(sound.Frames()) / kRate, peak);
  return line;
}

bool SavePicture(const TPixmapRef& pixmap, const std::string& path) {
  if (SavePixmapPng(pixmap, path, 6)) {
    std::printf("%-26s %d x %d\n", path.substr(path.rfind('/') + 1).c_str(), pixmap->width,
                pixmap->height);
    return true;
  }
  std::fprintf(stderr, "asset_generator: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: asset_generator ASSET_DIR ICON_DIR FONT_FILE\n");
    return 2;
  }
  const std::string assets = argv[1], icons = argv[2];
  const auto start = std::chrono::steady_clock::now();
  TFontFace font(argv[3]);
  if (!font.Ok()) {
    std::fprintf(stderr, "asset_generator: cannot read the font %s\n", argv[3]);
    return 1;
  }

  const TSoundJob menuMusic{"backgroundmusic_menu.ogg", MenuMusic, kMusicPeakDb};
  auto menu = std::async(std::launch::async, MakeSound, assets, menuMusic);

  bool ok = true;
  ok &= SavePicture(PaintMenuBackground(font), assets + "/background_menu.png");
  ok &= SavePicture(PaintRoundBackground(), assets + "/background.png");
  for (int size : {256, 48})
    ok &=
        SavePicture(PaintIcon(font, size), icons + "/letterfight-" + std::to_string(size) + ".png");

  const TSoundJob jobs[] = {{"backgroundmusic_game.ogg", GameMusic, kMusicPeakDb},
                            {"laser.ogg", LaserSound, kEffectPeakDb},
                            {"buiu.ogg", RefusalSound, kEffectPeakDb},
                            {"fx1.ogg", ConfirmSound, kEffectPeakDb},
                            {"tubo5.ogg", HitSound, kEffectPeakDb}};
  std::vector<std::string> lines;
  for (const TSoundJob& job : jobs) {
    lines.push_back(MakeSound(assets, job));
    if (lines.back().empty()) {
      std::fprintf(stderr, "asset_generator: cannot write %s/%s\n", assets.c_str(), job.name);
      ok = false;
    }
  }
  const std::string menuLine = menu.get();
  if (menuLine.empty()) {
    std::fprintf(stderr, "asset_generator: cannot write %s/%s\n", assets.c_str(), menuMusic.name);
    ok = false;
  }
  lines.insert(lines.begin(), menuLine);
  for (const std::string& line : lines)
    if (!line.empty()) std::printf("%s\n", line.c_str());
  std::printf("assets made in %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return ok ? 0 : 1;
}
