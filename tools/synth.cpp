// The generator's synthesiser: instruments, drums, the loop effects and the master stage.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kRate;

// Band-limiting correction for a step at the start of a phase cycle (polyBLEP), which keeps
// saws and squares from aliasing into whistles at high notes.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

}  // namespace

double Saw(double phase, double dt) {
  return 2.0 * phase - 1.0 - PolyBlep(phase, dt);
}

double Pulse(double phase, double dt, double width) {
  double value = phase < width ? 1.0 : -1.0;
  value += PolyBlep(phase, dt);
  double shifted = phase + 1.0 - width;
  if (shifted >= 1.0) shifted -= 1.0;
  return value - PolyBlep(shifted, dt);
}

namespace {

double Wrap(double phase) {
  return phase - std::floor(phase);
}

size_t FramesFor(double seconds) {
  return static_cast<size_t>(std::ceil(seconds * kRate)) + 1;
}

// A start phase per voice that depends only on the note, so renders repeat exactly.
double StartPhase(double midi, int voice) {
  double x = std::sin(midi * 12.9898 + voice * 78.233) * 43758.5453;
  return x - std::floor(x);
}

// Hi-hats and cymbals: six square waves at the inharmonic ratios of the classic analogue hat.
double Metal(double t, double base) {
  static const double kRatios[6] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
  double sum = 0;
  for (double r : kRatios) sum += Wrap(t * base * r) < 0.5 ? 1.0 : -1.0;
  return sum / 6.0;
}

}  // namespace

double NoteHz(double midi) {
  return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

void TStereo::MixIn(const TStereo& source, int64_t start, float gain, float pan) {
  const size_t n = Frames();
  if (n == 0) return;
  const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * kPi / 4.0;
  const float gl = static_cast<float>(gain * std::cos(angle) * std::sqrt(2.0));
  const float gr = static_cast<float>(gain * std::sin(angle) * std::sqrt(2.0));
  int64_t at = start % static_cast<int64_t>(n);
  if (at < 0) at += n;
  for (size_t i = 0; i < source.Frames(); ++i) {
    left[at] += source.left[i] * gl;
    right[at] += source.right[i] * gr;
    if (++at == static_cast<int64_t>(n)) at = 0;
  }
}

void TStereo::Scale(float gain) {
  for (float& v : left) v *= gain;
  for (float& v : right) v *= gain;
}

float TStereo::Peak() const {
  float peak = 0;
  for (float v : left) peak = std::max(peak, std::fabs(v));
  for (float v : right) peak = std::max(peak, std::fabs(v));
  return peak;
}

void TFilter::Set(double cutoffHz, double resonance) {
  cutoffHz = std::clamp(cutoffHz, 10.0, 0.45 * kRate);
  g_ = std::tan(kPi * cutoffHz / kRate);
  k_ = 1.0 / std::max(resonance, 0.3);
}

float TFilter::Run(float input) {
  const double a1 = 1.0 / (1.0 + g_ * (g_ + k_));
  const double a2 = g_ * a1;
  const double a3 = g_ * a2;
  const double v3 = input - s2_;
  const double v1 = a1 * s1_ + a2 * v3;
  const double v2 = s2_ + a2 * s1_ + a3 * v3;
  s1_ = 2.0 * v1 - s1_;
  s2_ = 2.0 * v2 - s2_;
  band_ = static_cast<float>(v1);
  high_ = static_cast<float>(input - k_ * v1 - v2);
  return static_cast<float>(v2);
}

double TEnvelope::At(double t, double gate) const {
  auto held = [this](double u) {
    if (u < attack) return u / attack;
    return sustain + (1.0 - sustain) * std::exp(-(u - attack) / decay);
  };
  if (t < 0) return 0;
  if (t < gate) return held(t);
  const double u = t - gate;
  if (u >= release) return 0;
  // Exponential fall that is pulled to exactly zero at the end, so nothing is cut off.
  return held(gate) * std::exp(-4.0 * u / release) * (1.0 - u / release);
}

TStereo PadNote(double midi, double gate, float velocity, double brightness) {
  const TEnvelope env{0.35, 1.2, 0.8, 1.1};
  const size_t n = FramesFor(env.Length(gate));
  TStereo out(n);
  static const double kDetune[2][3] = {{-0.09, 0.03, 0.12}, {-0.12, -0.03, 0.09}};
  for (int side = 0; side < 2; ++side) {
    double phase[3];
    double dt[3];
    for (int v = 0; v < 3; ++v) {
      phase[v] = StartPhase(midi, side * 3 + v);
      dt[v] = NoteHz(midi + kDetune[side][v]) * kDt;
    }
    double sub = 0;
    const double subDt = NoteHz(midi) * kDt;
    TFilter filter;
    std::vector<float>& target = side == 0 ? out.left : out.right;
    for (size_t i = 0; i < n; ++i) {
      const double t = i * kDt;
      const double e = env.At(t, gate);
      if ((i & 15) == 0) filter.Set(350.0 + brightness * 2600.0 * (0.45 + 0.55 * e), 0.8);
      double s = 0;
      for (int v = 0; v < 3; ++v) {
        s += Saw(phase[v], dt[v]);
        phase[v] = Wrap(phase[v] + dt[v]);
      }
      const double body = std::sin(2.0 * kPi * sub);
      sub = Wrap(sub + subDt);
      target[i] = static_cast<float>((filter.Run(static_cast<float>(s / 3.0)) + 0.35 * body) * e *
                                     velocity * 0.5);
    }
  }
  return out;
}

TStereo PluckNote(double midi, double gate, float velocity, double brightness, uint32_t seed) {
  const TEnvelope env{0.002, 0.22, 0.0, 0.08};
  const size_t n = FramesFor(env.Length(gate));
  TStereo out(n);
  const double hz = NoteHz(midi);
  for (int side = 0; side < 2; ++side) {
    const double dt = NoteHz(midi + (side == 0 ? -0.04 : 0.04)) * kDt;
    double phase = StartPhase(midi, side + static_cast<int>(seed % 7));
    TFilter filter;
    std::vector<float>& target = side == 0 ? out.left : out.right;
    for (size_t i = 0; i < n; ++i) {
      const double t = i * kDt;
      if ((i & 7) == 0) filter.Set(hz * 1.2 + brightness * 5200.0 * std::exp(-t / 0.07), 1.3);
      const double s = 0.6 * Saw(phase, dt) + 0.4 * Pulse(phase, dt, 0.5);
      phase = Wrap(phase + dt);
      target[i] =
          static_cast<float>(filter.Run(static_cast<float>(s)) * env.At(t, gate) * velocity * 0.6);
    }
  }
  return out;
}

TStereo KeysNote(double midi, double gate, float velocity) {
  const TEnvelope env{0.003, 1.1, 0.0, 0.35};
  const size_t n = FramesFor(env.Length(gate));
  TStereo out(n);
  const double hz = NoteHz(midi);
  double carrier = 0, modulator = 0, tine = 0;
  // The metallic tine partial sits 14 times above the note; it fades out for notes high
  // enough to push it past the top of hearing.
  const double tineLevel = 0.9 * std::clamp((16000.0 - hz * 14.0) / 4000.0, 0.0, 1.0);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double index = 0.25 + 1.6 * velocity * std::exp(-t / 0.28);
    const double tineIndex = tineLevel * std::exp(-t / 0.015);
    const double m =
        std::sin(2.0 * kPi * modulator) * index + std::sin(2.0 * kPi * tine) * tineIndex;
    const double s = std::sin(2.0 * kPi * carrier + m) * env.At(t, gate) * velocity * 0.5;
    carrier = Wrap(carrier + hz * kDt);
    modulator = Wrap(modulator + hz * kDt);
    tine = Wrap(tine + hz * 14.0 * kDt);
    // A slow auto-pan, the way a stage piano's tremolo moves between the speakers.
    const double pan = 0.18 * std::sin(2.0 * kPi * 3.2 * t);
    out.left[i] = static_cast<float>(s * (1.0 - pan));
    out.right[i] = static_cast<float>(s * (1.0 + pan));
  }
  return out;
}

TStereo LeadNote(double midi, double gate, float velocity, double brightness) {
  const TEnvelope env{0.025, 0.5, 0.72, 0.22};
  const size_t n = FramesFor(env.Length(gate));
  TStereo out(n);
  double phase = StartPhase(midi, 9);
  const double baseDt = NoteHz(midi) * kDt;
  TFilter filter;
  filter.Set(NoteHz(midi) * 3.0 + 1800.0 * brightness, 0.9);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    // Vibrato fades in after the attack, as a player would add it to a held note.
    const double depth = 0.22 * std::clamp((t - 0.22) / 0.35, 0.0, 1.0);
    const double dt = baseDt * std::exp2(depth * std::sin(2.0 * kPi * 5.3 * t) / 12.0);
    const double sine = std::sin(2.0 * kPi * phase);
    const double tri = 1.0 - 4.0 * std::fabs(phase - 0.5);
    const double pulse = Pulse(phase, dt, 0.3);
    phase = Wrap(phase + dt);
    const double soft = 0.85 * sine + 0.25 * tri;
    const double s = filter.Run(static_cast<float>(soft * (1.0 - brightness) + pulse * brightness));
    const float v = static_cast<float>(s * env.At(t, gate) * velocity * 0.5);
    out.left[i] = v;
    out.right[i] = v;
  }
  return out;
}

TStereo BassNote(double midi, double gate, float velocity, double brightness) {
  const TEnvelope env{0.004, 0.35, 0.75, 0.06};
  const size_t n = FramesFor(env.Length(gate));
  TStereo out(n);
  const double hz = NoteHz(midi);
  const double dt = hz * kDt;
  double phase = 0.0;  // a bass starting at zero phase cannot click
  TFilter filter;
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    if ((i & 7) == 0) filter.Set(hz * 2.0 + brightness * 1400.0 * std::exp(-t / 0.09), 1.1);
    const double s =
        std::sin(2.0 * kPi * phase) + 0.55 * filter.Run(static_cast<float>(Saw(phase, dt)));
    phase = Wrap(phase + dt);
    const float v = static_cast<float>(std::tanh(1.4 * s) * env.At(t, gate) * velocity * 0.55);
    out.left[i] = v;
    out.right[i] = v;
  }
  return out;
}

TStereo Kick(float velocity, double punch) {
  const size_t n = FramesFor(0.42);
  TStereo out(n);
  double phase = 0;
  TNoise noise(7);
  TFilter click;
  click.Set(3000.0, 0.7);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double hz = 46.0 + 120.0 * punch * std::exp(-t / 0.028);
    const double body = std::sin(2.0 * kPi * phase) * std::exp(-t / 0.2);
    phase = Wrap(phase + hz * kDt);
    const double tick = click.Run(noise.Next()) * std::exp(-t / 0.0025) * 0.5 * punch;
    const double fade = std::min(1.0, (0.42 - t) / 0.05);
    const float v = static_cast<float>(std::tanh(1.3 * (body + tick)) * fade * velocity);
    out.left[i] = v;
    out.right[i] = v;
  }
  return out;
}

TStereo Snare(float velocity, double tone, uint32_t seed) {
  const size_t n = FramesFor(0.3);
  TStereo out(n);
  TNoise noise(seed);
  TFilter filters[2];
  filters[0].Set(2600.0, 0.6);
  filters[1].Set(3000.0, 0.6);
  double p1 = 0, p2 = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double body =
        (std::sin(2.0 * kPi * p1) + 0.5 * std::sin(2.0 * kPi * p2)) * std::exp(-t / 0.045) * tone;
    p1 = Wrap(p1 + 190.0 * kDt);
    p2 = Wrap(p2 + 330.0 * kDt);
    const double fade = std::min(1.0, (0.3 - t) / 0.05);
    const double envelope = std::exp(-t / 0.075) * fade;
    for (int side = 0; side < 2; ++side) {
      filters[side].Run(noise.Next());
      const double hiss = filters[side].Band() * 1.2 + filters[side].High() * 0.35;
      const float v = static_cast<float>((hiss * envelope + body * 0.6) * velocity * 0.7);
      (side == 0 ? out.left : out.right)[i] = v;
    }
  }
  return out;
}

TStereo Clap(float velocity, uint32_t seed) {
  const size_t n = FramesFor(0.25);
  TStereo out(n);
  TNoise noise(seed);
  TFilter filters[2];
  filters[0].Set(1300.0, 1.4);
  filters[1].Set(1450.0, 1.4);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    // Three hands a few milliseconds apart, then the room.
    double e = 0;
    for (int k = 0; k < 3; ++k) {
      const double u = t - 0.009 * k;
      if (u >= 0) e += std::exp(-u / 0.0035) * (k == 0 ? 0.7 : 1.0);
    }
    e += 0.55 * std::exp(-std::max(0.0, t - 0.02) / 0.07) * std::min(1.0, t / 0.02);
    e *= std::min(1.0, (0.25 - t) / 0.04);
    for (int side = 0; side < 2; ++side) {
      filters[side].Run(noise.Next());
      (side == 0 ? out.left : out.right)[i] =
          static_cast<float>(filters[side].Band() * e * velocity * 1.3);
    }
  }
  return out;
}

TStereo HiHat(float velocity, double length, uint32_t seed) {
  const double seconds = length * 5.0 + 0.01;
  const size_t n = FramesFor(seconds);
  TStereo out(n);
  TNoise noise(seed);
  TFilter filters[2];
  filters[0].Set(7200.0, 0.8);
  filters[1].Set(7600.0, 0.8);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double e = std::exp(-t / length) * std::min(1.0, (seconds - t) / 0.01);
    const double metal = Metal(t, 410.0);
    for (int side = 0; side < 2; ++side) {
      filters[side].Run(static_cast<float>(0.6 * noise.Next() + 0.5 * metal));
      (side == 0 ? out.left : out.right)[i] =
          static_cast<float>(filters[side].High() * e * velocity * 0.5);
    }
  }
  return out;
}

TStereo Shaker(float velocity, uint32_t seed) {
  const size_t n = FramesFor(0.12);
  TStereo out(n);
  TNoise noise(seed);
  TFilter filters[2];
  filters[0].Set(5500.0, 1.2);
  filters[1].Set(6200.0, 1.2);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double e =
        std::min(1.0, t / 0.012) * std::exp(-t / 0.035) * std::min(1.0, (0.12 - t) / 0.02);
    for (int side = 0; side < 2; ++side) {
      filters[side].Run(noise.Next());
      (side == 0 ? out.left : out.right)[i] =
          static_cast<float>(filters[side].Band() * e * velocity);
    }
  }
  return out;
}

TStereo Crash(float velocity, uint32_t seed) {
  const double seconds = 2.2;
  const size_t n = FramesFor(seconds);
  TStereo out(n);
  TNoise noise(seed);
  TFilter filters[2];
  filters[0].Set(4200.0, 0.7);
  filters[1].Set(4600.0, 0.7);
  for (size_t i = 0; i < n; ++i) {
    const double t = i * kDt;
    const double e = std::exp(-t / 0.55) * std::min(1.0, (seconds - t) / 0.2);
    const double metal = Metal(t, 530.0) * std::exp(-t / 0.3);
    for (int side = 0; side < 2; ++side) {
      filters[side].Run(static_cast<float>(noise.Next() + 0.4 * metal));
      (side == 0 ? out.left : out.right)[i] =
          static_cast<float>(filters[side].High() * e * velocity * 0.4);
    }
  }
  return out;
}

TStereo LoopDelay(const TStereo& input, double seconds, double feedback, double toneHz) {
  const size_t n = input.Frames();
  const size_t length = static_cast<size_t>(seconds * kRate);
  std::vector<float> lineLeft(length), lineRight(length);
  TFilter toneLeft, toneRight;
  toneLeft.Set(toneHz, 0.7);
  toneRight.Set(toneHz, 0.7);
  TStereo out(n);
  size_t at = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < n; ++i) {
      const float yl = lineLeft[at];
      const float yr = lineRight[at];
      const float in = 0.5f * (input.left[i] + input.right[i]);
      // The left line hears the input and the right line's echo, the right line only the
      // left's: echoes alternate between the sides.
      lineLeft[at] = in + static_cast<float>(feedback) * toneRight.Run(yr);
      lineRight[at] = static_cast<float>(feedback) * toneLeft.Run(yl);
      if (++at == length) at = 0;
      if (pass == 1) {
        out.left[i] = yl;
        out.right[i] = yr;
      }
    }
  }
  return out;
}

namespace {

struct TComb {
  std::vector<float> line;
  size_t at = 0;
  float store = 0;
  float Run(float input, float feedback, float damping) {
    const float y = line[at];
    store = y * (1.0f - damping) + store * damping;
    line[at] = input + store * feedback;
    if (++at == line.size()) at = 0;
    return y;
  }
};

struct TAllPass {
  std::vector<float> line;
  size_t at = 0;
  float Run(float input) {
    const float y = line[at];
    line[at] = input + y * 0.5f;
    if (++at == line.size()) at = 0;
    return y - input;
  }
};

}  // namespace

TStereo LoopReverb(const TStereo& input, double roomSize, double damping, double preDelay) {
  static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int kAllPasses[4] = {556, 441, 341, 225};
  const int spread = 23;
  TComb combs[2][8];
  TAllPass allPasses[2][4];
  for (int side = 0; side < 2; ++side) {
    for (int k = 0; k < 8; ++k) combs[side][k].line.assign(kCombs[k] + side * spread, 0.0f);
    for (int k = 0; k < 4; ++k) allPasses[side][k].line.assign(kAllPasses[k] + side * spread, 0.0f);
  }
  const size_t n = input.Frames();
  const size_t delayLength = std::max<size_t>(1, static_cast<size_t>(preDelay * kRate));
  std::vector<float> delayLine(delayLength);
  size_t delayAt = 0;
  // Low end is kept out of the tail so the bass and kick stay tight.
  TFilter lowCut;
  lowCut.Set(180.0, 0.7);
  const float feedback = static_cast<float>(0.7 + 0.28 * roomSize);
  const float damp = static_cast<float>(damping);
  TStereo out(n);
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < n; ++i) {
      lowCut.Run(0.5f * (input.left[i] + input.right[i]));
      const float delayed = delayLine[delayAt];
      delayLine[delayAt] = lowCut.High();
      if (++delayAt == delayLength) delayAt = 0;
      const float in = delayed * 0.03f;
      float wet[2];
      for (int side = 0; side < 2; ++side) {
        float sum = 0;
        for (TComb& comb : combs[side]) sum += comb.Run(in, feedback, damp);
        for (TAllPass& allPass : allPasses[side]) sum = allPass.Run(sum);
        wet[side] = sum;
      }
      if (pass == 1) {
        out.left[i] = wet[0];
        out.right[i] = wet[1];
      }
    }
  }
  return out;
}

float SoftClip(float x) {
  return std::tanh(x);
}
