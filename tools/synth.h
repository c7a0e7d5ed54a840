// The generator's synthesiser: a stereo buffer that wraps around like a loop, the instruments
// the music and the effects are played on, and the delay, reverb and master stage they share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kRate = 44100;

// Frequency of a MIDI note number (69 is A 440 Hz).
double NoteHz(double midi);

// Band-limited oscillators over a phase in [0, 1) advancing dt per frame.
double Saw(double phase, double dt);
double Pulse(double phase, double dt, double width);

// Two channels of float samples. MixIn wraps writes past the end round to the start, so a
// buffer one loop long collects the tails of the loop's last notes where they are heard when
// it repeats.
struct TStereo {
  std::vector<float> left, right;

  explicit TStereo(size_t frames = 0) : left(frames), right(frames) {}
  size_t Frames() const { return left.size(); }
  // Adds source at frame start (wrapping), with a gain and an equal-power pan (-1 to 1).
  void MixIn(const TStereo& source, int64_t start, float gain, float pan = 0);
  void Scale(float gain);
  float Peak() const;
};

// A deterministic noise source; each voice seeds its own, so a note sounds the same every time.
class TNoise {
 public:
  explicit TNoise(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  float Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_) * (2.0f / 4294967296.0f) - 1.0f;
  }

 private:
  uint32_t state_;
};

// Zavalishin's state-variable filter: low, band and high pass from one update, stable while the
// cutoff moves every sample.
class TFilter {
 public:
  void Set(double cutoffHz, double resonance);
  // Returns the low-pass output; Band() and High() give the other two of the same sample.
  float Run(float input);
  float Band() const { return band_; }
  float High() const { return high_; }

 private:
  double g_ = 0.1, k_ = 1.4;
  double s1_ = 0, s2_ = 0;
  float band_ = 0, high_ = 0;
};

// Attack, decay, sustain, release in seconds; the gate is how long the note is held.
struct TEnvelope {
  double attack = 0.005, decay = 0.2, sustain = 0.7, release = 0.2;
  double At(double t, double gate) const;
  double Length(double gate) const { return gate + release; }
};

// ---- instruments. Each renders one note into a new stereo buffer starting at the note's onset.

// A warm pad: detuned saws per side through a slowly opening low-pass.
TStereo PadNote(double midi, double gate, float velocity, double brightness);
// A plucked saw/square with a snappy filter envelope (arpeggios, stabs).
TStereo PluckNote(double midi, double gate, float velocity, double brightness, uint32_t seed);
// A two-operator FM electric piano, soft bell-like attack.
TStereo KeysNote(double midi, double gate, float velocity);
// A soft lead: pulse and sine blend with delayed vibrato; brightness 0 is flute-like.
TStereo LeadNote(double midi, double gate, float velocity, double brightness);
// Bass: sine sub plus a filtered saw; drive adds grit.
TStereo BassNote(double midi, double gate, float velocity, double brightness);

TStereo Kick(float velocity, double punch);
TStereo Snare(float velocity, double tone, uint32_t seed);
TStereo Clap(float velocity, uint32_t seed);
TStereo HiHat(float velocity, double length, uint32_t seed);
TStereo Shaker(float velocity, uint32_t seed);
TStereo Crash(float velocity, uint32_t seed);

// ---- effects over a whole loop. Each runs the loop through twice and keeps the second pass,
// so what rings over the end is already sounding at the start.

// Ping-pong delay with a darkened feedback path; returns only the wet signal.
TStereo LoopDelay(const TStereo& input, double seconds, double feedback, double toneHz);
// A Schroeder-Moorer reverb (parallel combs into series all-passes, offset per side); returns
// only the wet signal.
TStereo LoopReverb(const TStereo& input, double roomSize, double damping, double preDelay);

// A smooth saturation: linear for small signals, approaching ±1 without a corner.
float SoftClip(float x);
