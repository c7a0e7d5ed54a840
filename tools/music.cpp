// The two music loops (arrangement, parts and mix) and the four effects.
#include "music.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A song's clock: beats to frames, with a whole number of frames per beat at both tempos used
// here, so bar lines fall on exact frames and the loop length is exact.
struct TClock {
  double bpm;
  int bars;
  double BeatFrames() const { return 60.0 * kRate / bpm; }
  int64_t At(double beat) const { return std::llround(beat * BeatFrames()); }
  double Seconds(double beats) const { return beats * 60.0 / bpm; }
  size_t Frames() const { return static_cast<size_t>(At(bars * 4.0)); }
};

// One instrument group and how much of it goes to the room and the echoes.
struct TBus {
  TBus(size_t frames, float level, float reverb, float delay)
      : sound(frames), level(level), reverb(reverb), delay(delay) {}
  TStereo sound;
  float level, reverb, delay;
};

struct TChord {
  double beat, length;
  int bass;
  std::vector<int> notes;
};

struct TNote {
  double beat, length;
  int midi;
};

const TChord& ChordAt(const std::vector<TChord>& chords, double beat) {
  for (const TChord& chord : chords)
    if (beat >= chord.beat && beat < chord.beat + chord.length) return chord;
  return chords.back();
}

// Gain that dips right after every beat and recovers before the next: the pumping of a
// side-chained compressor, computed from the beat grid so it repeats exactly with the loop.
void Duck(TStereo& sound, const TClock& clock, double depth, double recovery) {
  const double beat = clock.BeatFrames();
  for (size_t i = 0; i < sound.Frames(); ++i) {
    const double since = std::fmod(static_cast<double>(i), beat) / kRate;
    const double gain = 1.0 - depth * std::min(1.0, since / 0.004) * std::exp(-since / recovery);
    sound.left[i] *= static_cast<float>(gain);
    sound.right[i] *= static_cast<float>(gain);
  }
}

struct TRoom {
  double delayBeats, delayFeedback, roomSize, damping;
  float delayLevel, reverbLevel;
};

// Sums the buses with their echoes and room, then rounds off the peaks. The level is set
// afterwards, when the loop is encoded.
TStereo MixDown(const std::vector<const TBus*>& buses, const TClock& clock, const TRoom& room) {
  const size_t n = clock.Frames();
  TStereo dry(n), reverbIn(n), delayIn(n);
  for (const TBus* bus : buses) {
    dry.MixIn(bus->sound, 0, bus->level);
    if (bus->reverb > 0) reverbIn.MixIn(bus->sound, 0, bus->level * bus->reverb);
    if (bus->delay > 0) delayIn.MixIn(bus->sound, 0, bus->level * bus->delay);
  }
  TStereo echoes = LoopDelay(delayIn, clock.Seconds(room.delayBeats), room.delayFeedback, 2600.0);
  reverbIn.MixIn(echoes, 0, 0.5f);
  TStereo tail = LoopReverb(reverbIn, room.roomSize, room.damping, 0.022);
  dry.MixIn(echoes, 0, room.delayLevel);
  dry.MixIn(tail, 0, room.reverbLevel);
  // Drive the loudest moments a little into the curve: drum hits lose their sharpest edge
  // instead of being cut off.
  const float drive = 1.35f / std::max(dry.Peak(), 1e-6f);
  for (size_t i = 0; i < n; ++i) {
    dry.left[i] = SoftClip(dry.left[i] * drive);
    dry.right[i] = SoftClip(dry.right[i] * drive);
  }
  return dry;
}

}  // namespace

TStereo MenuMusic() {
  const TClock clock{90.0, 12};
  const size_t n = clock.Frames();
  // D minor: i - VI - III - VII twice, then iv - VI - v - V leading home.
  std::vector<TChord> chords;
  for (int pass = 0; pass < 2; ++pass) {
    const double b = pass * 16.0;
    chords.push_back({b + 0, 4, 38, {65, 69, 72, 76}});   // Dm9
    chords.push_back({b + 4, 4, 34, {65, 69, 72, 74}});   // Bbmaj9
    chords.push_back({b + 8, 4, 41, {65, 69, 72, 76}});   // Fmaj7
    chords.push_back({b + 12, 4, 36, {64, 67, 72, 74}});  // Cadd9
  }
  chords.push_back({32, 4, 31, {65, 69, 70, 74}});  // Gm9
  chords.push_back({36, 4, 34, {65, 69, 72, 74}});  // Bbmaj9
  chords.push_back({40, 4, 33, {64, 67, 72, 76}});  // Am7
  chords.push_back({44, 2, 33, {64, 67, 69, 74}});  // A7sus4
  chords.push_back({46, 2, 33, {64, 67, 69, 73}});  // A7

  const std::vector<TNote> melody = {
      {1, 0.5, 69},    {1.5, 0.5, 72},  {2, 1.5, 74},    {3.5, 0.5, 76}, {4, 1.5, 77},
      {5.5, 0.5, 76},  {6, 2, 74},      {8, 1, 72},      {9, 1, 69},     {10, 0.5, 72},
      {10.5, 0.5, 74}, {11, 2, 76},     {13, 2.5, 74},   {17, 0.5, 69},  {17.5, 0.5, 72},
      {18, 0.5, 74},   {18.5, 0.5, 77}, {19, 1, 81},     {20, 1, 79},    {21, 1, 77},
      {22, 2, 74},     {24, 1.5, 76},   {25.5, 0.5, 77}, {26, 0.5, 76},  {26.5, 1.5, 72},
      {28, 3, 74},     {31, 1, 72},     {32, 1, 70},     {33, 1, 74},    {34, 1.5, 77},
      {35.5, 0.5, 81}, {36, 1.5, 81},   {37.5, 0.5, 79}, {38, 2, 77},    {40, 1, 76},
      {41, 1, 79},     {42, 1, 76},     {43, 1, 72},     {44, 2, 74},    {46, 1.5, 73},
  };

  TBus drums(n, 0.55f, 0.12f, 0.0f), bass(n, 0.6f, 0.0f, 0.0f), pad(n, 0.6f, 0.55f, 0.0f),
      keys(n, 0.75f, 0.35f, 0.35f), lead(n, 0.85f, 0.4f, 0.3f);

  for (const TChord& chord : chords) {
    for (size_t k = 0; k < chord.notes.size(); ++k) {
      const float pan = -0.35f + 0.7f * k / (chord.notes.size() - 1);
      pad.sound.MixIn(PadNote(chord.notes[k], clock.Seconds(chord.length) - 0.05, 0.42f, 0.35),
                      clock.At(chord.beat), 1.0f, pan);
    }
  }

  for (int bar = 0; bar < clock.bars; ++bar) {
    const double b = bar * 4.0;
    const TChord& chord = ChordAt(chords, b);
    // Bass: the root held, a pickup, then fifth and octave walking back to the root.
    const struct {
      double beat, length;
      int interval;
      float velocity;
    } bassLine[] = {{0, 1.4, 0, 0.9f},
                    {1.5, 0.4, 0, 0.6f},
                    {2.5, 0.45, 7, 0.7f},
                    {3, 0.45, 12, 0.65f},
                    {3.5, 0.4, 7, 0.6f}};
    for (const auto& step : bassLine)
      bass.sound.MixIn(
          BassNote(chord.bass + step.interval, clock.Seconds(step.length), step.velocity, 0.25),
          clock.At(b + step.beat), 1.0f);

    // Keys: soft strummed chords in the first phrase, then a glittering arpeggio an octave up.
    if (bar < 4) {
      for (double onset : {0.0, 2.5}) {
        const TChord& now = ChordAt(chords, b + onset);
        for (size_t k = 0; k < now.notes.size(); ++k)
          keys.sound.MixIn(KeysNote(now.notes[k], clock.Seconds(onset == 0 ? 1.5 : 1.0),
                                    onset == 0 ? 0.32f : 0.25f),
                           clock.At(b + onset) + static_cast<int64_t>(k * 0.014 * kRate), 1.0f);
      }
    } else {
      static const int kPattern[8] = {0, 1, 2, 3, 2, 1, 3, 2};
      for (int e = 0; e < 8; ++e) {
        const TChord& now = ChordAt(chords, b + e * 0.5);
        const int note = now.notes[kPattern[e]] + 12;
        keys.sound.MixIn(KeysNote(note, clock.Seconds(0.45), e % 2 == 0 ? 0.24f : 0.18f),
                         clock.At(b + e * 0.5), 1.0f, e % 2 == 0 ? -0.25f : 0.25f);
      }
    }

    // A laid-back beat: kick on one and the and of three, soft snare on two and four,
    // swung eighth-note hats, a small fill into each new phrase.
    drums.sound.MixIn(Kick(0.85f, 0.8), clock.At(b), 1.0f);
    drums.sound.MixIn(Kick(0.65f, 0.7), clock.At(b + 2.5), 1.0f);
    if (bar % 4 == 2) drums.sound.MixIn(Kick(0.5f, 0.6), clock.At(b + 3.75), 1.0f);
    drums.sound.MixIn(Snare(0.5f, 0.9, 100 + bar * 2), clock.At(b + 1), 1.0f, 0.05f);
    drums.sound.MixIn(Snare(0.5f, 0.9, 101 + bar * 2), clock.At(b + 3), 1.0f, 0.05f);
    if (bar == clock.bars - 1) {
      drums.sound.MixIn(Snare(0.28f, 0.6, 900), clock.At(b + 3.5), 1.0f, -0.1f);
      drums.sound.MixIn(Snare(0.38f, 0.6, 901), clock.At(b + 3.75), 1.0f, 0.1f);
    }
    for (int e = 0; e < 8; ++e) {
      const double swing = e % 2 == 1 ? 0.08 : 0.0;
      drums.sound.MixIn(HiHat(e % 2 == 0 ? 0.2f : 0.13f, 0.028, 200 + bar * 8 + e),
                        clock.At(b + e * 0.5 + swing), 1.0f, 0.3f);
    }
    drums.sound.MixIn(Shaker(0.12f, 400 + bar), clock.At(b + 1.75), 1.0f, -0.4f);
    drums.sound.MixIn(Shaker(0.12f, 450 + bar), clock.At(b + 3.75), 1.0f, -0.4f);
  }

  for (const TNote& note : melody)
    lead.sound.MixIn(LeadNote(note.midi, clock.Seconds(note.length) * 0.95, 0.55f, 0.12),
                     clock.At(note.beat), 1.0f, 0.05f);

  return MixDown({&drums, &bass, &pad, &keys, &lead}, clock,
                 TRoom{0.75, 0.42, 0.88, 0.35, 0.8f, 1.0f});
}

TStereo GameMusic() {
  const TClock clock{140.0, 16};
  const size_t n = clock.Frames();
  // A minor: i - VI - III - VII twice, then iv - VII - III - i and VI - VII - V leading home.
  const struct {
    int bass;
    std::vector<int> notes;
  } kAm{33, {60, 64, 69}}, kF{29, {60, 65, 69}}, kC{36, {60, 64, 67}}, kG{31, {59, 62, 67}},
      kDm{38, {62, 65, 69}}, kEsus{28, {59, 64, 69}}, kE{28, {59, 64, 68}};
  const decltype(kAm)* bars[16] = {&kAm, &kF, &kC, &kG,  &kAm, &kF, &kC,    &kG,
                                   &kDm, &kG, &kC, &kAm, &kF,  &kG, &kEsus, &kE};
  std::vector<TChord> chords;
  for (int bar = 0; bar < 16; ++bar)
    chords.push_back({bar * 4.0, 4.0, bars[bar]->bass, bars[bar]->notes});

  // The hook, in sixteenth-note steps within each bar: {step, length, note}.
  using TBar = std::vector<std::array<int, 3>>;
  const TBar hookAm = {{0, 2, 69}, {2, 2, 72},  {4, 3, 76}, {7, 1, 74},
                       {8, 2, 76}, {10, 2, 79}, {12, 4, 76}};
  const TBar hookF = {{0, 3, 77}, {3, 1, 76},  {4, 2, 72}, {6, 2, 69},
                      {8, 2, 72}, {10, 2, 74}, {12, 4, 72}};
  const TBar melody[16] = {
      hookAm,
      hookF,
      {{0, 2, 76}, {2, 2, 79}, {4, 3, 84}, {7, 1, 83}, {8, 2, 79}, {10, 2, 76}, {12, 4, 79}},
      {{0, 3, 74}, {3, 1, 76}, {4, 2, 74}, {6, 2, 71}, {8, 4, 67}, {12, 2, 71}, {14, 2, 74}},
      hookAm,
      hookF,
      {{0, 2, 76}, {2, 2, 79}, {4, 2, 84}, {6, 2, 86}, {8, 4, 88}, {12, 2, 86}, {14, 2, 84}},
      {{0, 3, 83}, {3, 1, 81}, {4, 2, 79}, {6, 2, 74}, {8, 6, 71}},
      {{0, 4, 77}, {4, 2, 76}, {6, 2, 74}, {8, 6, 81}, {14, 2, 79}},
      {{0, 4, 79}, {4, 2, 77}, {6, 2, 74}, {8, 4, 71}, {12, 4, 74}},
      {{0, 4, 76}, {4, 2, 74}, {6, 2, 72}, {8, 6, 79}, {14, 2, 76}},
      {{0, 6, 81}, {6, 2, 79}, {8, 4, 76}, {12, 2, 72}, {14, 2, 74}},
      {{0, 3, 84}, {3, 3, 81}, {6, 2, 77}, {8, 2, 81}, {10, 2, 84}, {12, 4, 81}},
      {{0, 3, 83}, {3, 3, 79}, {6, 2, 74}, {8, 2, 79}, {10, 2, 83}, {12, 4, 86}},
      {{0, 6, 88}, {6, 2, 86}, {8, 2, 84}, {10, 2, 83}, {12, 4, 81}},
      {{0, 4, 80}, {4, 2, 76}, {6, 2, 71}, {8, 4, 76}, {12, 2, 68}, {14, 2, 71}},
  };

  TBus drums(n, 0.6f, 0.08f, 0.0f), bass(n, 0.6f, 0.0f, 0.0f), pad(n, 0.6f, 0.4f, 0.0f),
      arp(n, 2.0f, 0.25f, 0.35f), lead(n, 0.7f, 0.28f, 0.22f);

  for (int bar = 0; bar < clock.bars; ++bar) {
    const double b = bar * 4.0;
    const TChord& chord = chords[bar];
    for (size_t k = 0; k < chord.notes.size(); ++k)
      pad.sound.MixIn(PadNote(chord.notes[k], clock.Seconds(4.0) - 0.05, 0.4f, 0.5), clock.At(b),
                      1.0f, -0.4f + 0.4f * k);

    // Driving octave bass in eighths.
    for (int e = 0; e < 8; ++e)
      bass.sound.MixIn(
          BassNote(chord.bass + (e % 2) * 12, clock.Seconds(0.4), e % 2 == 0 ? 0.85f : 0.65f, 0.6),
          clock.At(b + e * 0.5), 1.0f);

    // Sixteenth-note arpeggio cycling up and down over four notes: its six-step turn runs
    // across the four-step beat and keeps it moving.
    const int tones[4] = {chord.notes[0] + 12, chord.notes[1] + 12, chord.notes[2] + 12,
                          chord.notes[0] + 24};
    static const int kTurn[6] = {0, 1, 2, 3, 2, 1};
    for (int s = 0; s < 16; ++s) {
      const int note = tones[kTurn[(bar * 16 + s) % 6]];
      arp.sound.MixIn(PluckNote(note, clock.Seconds(0.2), s % 4 == 0 ? 0.3f : 0.22f, 0.5, s),
                      clock.At(b + s * 0.25), 1.0f, s % 2 == 0 ? -0.3f : 0.3f);
    }

    for (const auto& step : melody[bar])
      lead.sound.MixIn(LeadNote(step[2], clock.Seconds(step[1] * 0.25) * 0.9, 0.5f, 0.75),
                       clock.At(b + step[0] * 0.25), 1.0f, 0.0f);

    // Four to the floor, clap and snare on the backbeat, sixteenth hats with open ones on
    // the off-beats, a crash at each eight-bar phrase, and rolls into the turnarounds.
    for (int beat = 0; beat < 4; ++beat)
      drums.sound.MixIn(Kick(0.95f, 1.0), clock.At(b + beat), 1.0f);
    for (int beat : {1, 3}) {
      drums.sound.MixIn(Clap(0.55f, 500 + bar * 4 + beat), clock.At(b + beat), 1.0f, -0.05f);
      drums.sound.MixIn(Snare(0.4f, 0.6, 600 + bar * 4 + beat), clock.At(b + beat), 1.0f, 0.05f);
    }
    for (int s = 0; s < 16; ++s) {
      const bool open = s % 4 == 2;
      const float velocity = open ? 0.28f : (s % 2 == 0 ? 0.22f : 0.15f);
      drums.sound.MixIn(HiHat(velocity, open ? 0.07 : 0.018, 700 + bar * 16 + s),
                        clock.At(b + s * 0.25), 1.0f, 0.25f);
    }
    if (bar % 8 == 0) drums.sound.MixIn(Crash(0.45f, 800 + bar), clock.At(b), 1.0f, -0.3f);
    if (bar == 7) {
      drums.sound.MixIn(Snare(0.3f, 0.5, 850), clock.At(b + 3.5), 1.0f);
      drums.sound.MixIn(Snare(0.4f, 0.5, 851), clock.At(b + 3.75), 1.0f);
    }
    if (bar == 15) {
      for (int k = 0; k < 4; ++k)
        drums.sound.MixIn(Snare(0.3f + 0.1f * k, 0.5, 860 + k), clock.At(b + 3 + k * 0.25), 1.0f,
                          k % 2 == 0 ? -0.15f : 0.15f);
    }
  }

  Duck(pad.sound, clock, 0.6, 0.12);
  Duck(arp.sound, clock, 0.4, 0.1);
  Duck(bass.sound, clock, 0.35, 0.08);

  return MixDown({&drums, &bass, &pad, &arp, &lead}, clock,
                 TRoom{0.75, 0.35, 0.7, 0.4, 0.9f, 0.9f});
}

namespace {

// Effects are one-shots: a short fade at the end, and the level set when encoded.
void FadeEnd(TStereo& sound, double seconds) {
  const size_t n = sound.Frames();
  const size_t fade = std::min(n, static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < fade; ++i) {
    const float g = static_cast<float>(i) / fade;
    sound.left[n - 1 - i] *= g;
    sound.right[n - 1 - i] *= g;
  }
}

}  // namespace

TStereo LaserSound() {
  const double seconds = 0.26;
  TStereo zap(static_cast<size_t>(0.17 * kRate));
  double phase = 0;
  TFilter filter;
  for (size_t i = 0; i < zap.Frames(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double hz = 380.0 + 1700.0 * std::exp(-t / 0.035);
    // A little self-modulation gives the sweep its bite without turning harsh.
    const double s = std::sin(2.0 * kPi * phase + 0.9 * std::sin(4.0 * kPi * phase));
    phase += hz / kRate;
    phase -= std::floor(phase);
    filter.Set(hz * 3.0, 0.8);
    const double e = std::min(1.0, t / 0.0015 + 0.3) * std::exp(-t / 0.05);
    const float v = static_cast<float>(filter.Run(static_cast<float>(s)) * e);
    zap.left[i] = v;
    zap.right[i] = v;
  }
  FadeEnd(zap, 0.03);
  TStereo out(static_cast<size_t>(seconds * kRate));
  out.MixIn(zap, 0, 1.0f);
  // One quieter echo off to the side.
  out.MixIn(zap, static_cast<int64_t>(0.075 * kRate), 0.3f, 0.6f);
  FadeEnd(out, 0.02);
  return out;
}

TStereo RefusalSound() {
  const double seconds = 0.44;
  TStereo out(static_cast<size_t>(seconds * kRate));
  struct {
    double start, length, hz, sag;
  } const tones[2] = {{0.0, 0.15, 220.0, 0.0}, {0.18, 0.24, 164.8, 0.08}};
  for (const auto& tone : tones) {
    TStereo part(static_cast<size_t>(tone.length * kRate));
    double phase = 0;
    TFilter filter;
    filter.Set(950.0, 1.6);
    for (size_t i = 0; i < part.Frames(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double u = t / tone.length;
      // The second tone sags in pitch at its end: the sound of a shrug.
      const double hz = tone.hz * (1.0 - tone.sag * u * u);
      const double s = 0.6 * Pulse(phase, hz / kRate, 0.5) + 0.6 * std::sin(2.0 * kPi * phase);
      phase += hz / kRate;
      phase -= std::floor(phase);
      const double attack = tone.start == 0 ? 1.0 : std::min(1.0, t / 0.008);
      const double release = std::min(1.0, (tone.length - t) / 0.04);
      const float v = static_cast<float>(filter.Run(static_cast<float>(s)) * attack * release);
      part.left[i] = v;
      part.right[i] = v;
    }
    out.MixIn(part, static_cast<int64_t>(tone.start * kRate), 1.0f);
  }
  return out;
}

TStereo ConfirmSound() {
  const double seconds = 0.48;
  // Room for the bells' tails, which are then cut where the effect ends and faded: a one-shot
  // must not wrap round like a loop.
  TStereo ringing(static_cast<size_t>((seconds + 0.5) * kRate));
  // C major, upwards: C5 E5 G5 C6, each note a bell with a sparkle an octave above.
  const int notes[4] = {72, 76, 79, 84};
  for (int k = 0; k < 4; ++k) {
    const int64_t at = static_cast<int64_t>(k * 0.055 * kRate);
    const float pan = -0.3f + 0.2f * k, gain = 0.8f + 0.1f * k;
    ringing.MixIn(KeysNote(notes[k], 0.1, 0.9f), at, gain, pan);
    ringing.MixIn(KeysNote(notes[k] + 12, 0.1, 0.5f), at, 0.35f * gain, -pan);
  }
  TStereo out(static_cast<size_t>(seconds * kRate));
  std::copy_n(ringing.left.begin(), out.Frames(), out.left.begin());
  std::copy_n(ringing.right.begin(), out.Frames(), out.right.begin());
  FadeEnd(out, 0.12);
  return out;
}

TStereo HitSound() {
  const double seconds = 0.12;
  TStereo out(static_cast<size_t>(seconds * kRate));
  TNoise noise(5);
  TFilter click;
  click.Set(4200.0, 1.2);
  double p1 = 0, p2 = 0;
  for (size_t i = 0; i < out.Frames(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    // A5 with the second partial of a wooden bar, pitched down a touch as it strikes.
    const double hz = 880.0 * (1.0 + 0.06 * std::exp(-t / 0.006));
    const double body = std::sin(2.0 * kPi * p1) * std::exp(-t / 0.028) +
                        0.35 * std::sin(2.0 * kPi * p2) * std::exp(-t / 0.01);
    p1 += hz / kRate;
    p2 += hz * 2.76 / kRate;
    click.Run(noise.Next());
    const double tick = click.Band() * std::exp(-t / 0.0015) * 0.8;
    const double attack = std::min(1.0, t / 0.0005 + 0.2);
    const float v = static_cast<float>((body * attack + tick));
    out.left[i] = v;
    out.right[i] = v;
  }
  FadeEnd(out, 0.03);
  return out;
}
