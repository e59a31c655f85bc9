// Quen/XDL soundtrack synthesiser: renders "zeft" as a 16-bit stereo WAV.
//
// Usage: synth <out.wav>            render the track
//        synth --check <in.wav>     check a decoded copy loops cleanly
//
// The tune is 32 bars at 120 bpm in A minor (64 s exactly) and is meant to
// loop forever. To make the loop seamless everything is rendered into a
// circular buffer: a note that rings past the last bar wraps around to the
// first one, and the effects (delay, reverb, filters) are run twice over
// the loop so that the second, kept pass starts from the state the first
// pass ended in. Sample N-1 therefore flows into sample 0 exactly as any
// other pair of neighbours does.
//
// Layout, one chord per bar, a new section every 8 bars:
//   intro   bars  0- 7  Am F C G   pad, opening arpeggio, hats, kick comes in
//   groove  bars  8-15  Am F C G   full beat, bass line, arpeggio
//   bridge  bars 16-23  F G Em Am F G C E   half-time beat, lead melody
//   finale  bars 24-31  Am F C G   full beat, lead melody, snare roll at the end
//
// Only the standard library is used; the noise comes from a fixed seed.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

constexpr int kRate = 44100;
constexpr double kBpm = 120.0;
constexpr int kBars = 32;
constexpr int kStepsPerBar = 16;
constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = kRate * 60.0 / kBpm / 4.0; // one 16th note, in samples
constexpr int kBar = kRate * 2;                     // 4 beats at 120 bpm
constexpr int kLength = kBars * kBar;               // whole loop, in samples

static_assert(kBar * 1.0 == kStep * kStepsPerBar, "a bar must be a whole number of samples");

double midiHz(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

struct Rng
{
    uint32_t s;
    explicit Rng(uint32_t seed) : s(seed ? seed : 1) {}
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    double bipolar() { return (next() >> 8) * (2.0 / 16777216.0) - 1.0; }
};

// Stereo loop buffer that wraps writes around its end.
struct Loop
{
    std::vector<double> l, r;
    Loop() : l(kLength, 0.0), r(kLength, 0.0) {}
    void add(long n, double vl, double vr)
    {
        long i = n % kLength;
        if (i < 0)
            i += kLength;
        l[i] += vl;
        r[i] += vr;
    }
};

// Equal-power pan, p in [-1, 1].
void panGains(double p, double& gl, double& gr)
{
    double a = (p + 1.0) * 0.25 * kPi;
    gl = std::cos(a);
    gr = std::sin(a);
}

// PolyBLEP correction for band-limited saw and pulse waves.
double blep(double t, double dt)
{
    if (t < dt)
    {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt)
    {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Osc
{
    double phase = 0.0;
    double saw(double hz)
    {
        double dt = hz / kRate;
        double v = 2.0 * phase - 1.0 - blep(phase, dt);
        phase += dt;
        phase -= std::floor(phase);
        return v;
    }
    double pulse(double hz, double width)
    {
        double dt = hz / kRate;
        double v = (phase < width ? 1.0 : -1.0) + blep(phase, dt);
        double t2 = phase + 1.0 - width;
        t2 -= std::floor(t2);
        v -= blep(t2, dt);
        phase += dt;
        phase -= std::floor(phase);
        return v;
    }
    double sine(double hz)
    {
        double v = std::sin(2.0 * kPi * phase);
        phase += hz / kRate;
        phase -= std::floor(phase);
        return v;
    }
};

// Zero-delay-feedback state variable filter.
struct Svf
{
    double ic1 = 0, ic2 = 0;
    double low = 0, band = 0, high = 0;
    void run(double in, double hz, double q)
    {
        hz = std::clamp(hz, 20.0, kRate * 0.45);
        double g = std::tan(kPi * hz / kRate);
        double k = 1.0 / q;
        double a1 = 1.0 / (1.0 + g * (g + k));
        double a2 = g * a1;
        double a3 = g * a2;
        double v3 = in - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        high = in - k * v1 - v2;
    }
};

// Attack / release envelope around a gate of the given length (seconds).
double gateEnv(double t, double gate, double attack, double release)
{
    double a = attack > 0 ? std::min(1.0, t / attack) : 1.0;
    if (t <= gate)
        return a;
    double r = (t - gate) / release;
    return r >= 1.0 ? 0.0 : a * (1.0 - r) * (1.0 - r);
}

long stepSample(int bar, double step)
{
    return std::lround(bar * kBar + step * kStep);
}

// ---------------------------------------------------------------------------
// Song data.

enum Section
{
    kIntro,
    kGroove,
    kBridge,
    kFinale
};
Section sectionOf(int bar)
{
    return static_cast<Section>(bar / 8);
}

struct Chord
{
    int root;               // bass root, MIDI
    std::array<int, 3> pad; // voicing for the pad, MIDI
};

const Chord kAm{33, {57, 60, 64}};
const Chord kF{29, {57, 60, 65}};
const Chord kC{36, {55, 60, 64}};
const Chord kG{31, {55, 59, 62}};
const Chord kEm{28, {55, 59, 64}};
const Chord kE{28, {56, 59, 64}};

Chord chordOf(int bar)
{
    static const Chord main[4] = {kAm, kF, kC, kG};
    static const Chord bridge[8] = {kF, kG, kEm, kAm, kF, kG, kC, kE};
    if (sectionOf(bar) == kBridge)
        return bridge[bar - 16];
    return main[bar % 4];
}

struct Note
{
    int bar;
    double step, len; // in 16ths
    int midi;
};

// Lead melody of the bridge and the finale: {bar, step, length, note}.
const std::vector<Note>& melody()
{
    // clang-format off
    static const std::vector<Note> m = {
        // bridge: F G Em Am F G C E
        {16, 0, 4, 69}, {16, 4, 4, 72}, {16, 8, 6, 77}, {16, 14, 2, 76},
        {17, 0, 6, 74}, {17, 6, 2, 71}, {17, 8, 4, 67}, {17, 12, 4, 74},
        {18, 0, 4, 76}, {18, 4, 4, 79}, {18, 8, 6, 83}, {18, 14, 2, 81},
        {19, 0, 12, 81}, {19, 12, 4, 76},
        {20, 0, 4, 77}, {20, 4, 2, 76}, {20, 6, 2, 72}, {20, 8, 4, 69}, {20, 12, 4, 72},
        {21, 0, 4, 71}, {21, 4, 4, 74}, {21, 8, 8, 79},
        {22, 0, 4, 76}, {22, 4, 4, 79}, {22, 8, 6, 84}, {22, 14, 2, 83},
        {23, 0, 8, 83}, {23, 8, 4, 80}, {23, 12, 4, 76},
        // finale: Am F C G, twice
        {24, 0, 3, 76}, {24, 3, 3, 76}, {24, 6, 2, 81}, {24, 8, 4, 79}, {24, 12, 4, 76},
        {25, 0, 3, 77}, {25, 3, 3, 77}, {25, 6, 2, 81}, {25, 8, 4, 84}, {25, 12, 4, 81},
        {26, 0, 6, 79}, {26, 6, 2, 76}, {26, 8, 4, 72}, {26, 12, 4, 76},
        {27, 0, 6, 74}, {27, 6, 2, 71}, {27, 8, 8, 79},
        {28, 0, 3, 76}, {28, 3, 3, 76}, {28, 6, 2, 81}, {28, 8, 4, 79}, {28, 12, 4, 76},
        {29, 0, 3, 77}, {29, 3, 3, 81}, {29, 6, 2, 84}, {29, 8, 4, 84}, {29, 12, 4, 81},
        {30, 0, 4, 79}, {30, 4, 4, 76}, {30, 8, 4, 79}, {30, 12, 4, 84},
        {31, 0, 6, 83}, {31, 6, 2, 86}, {31, 8, 6, 83},
    };
    // clang-format on
    return m;
}

// ---------------------------------------------------------------------------
// Instruments. Each renders one event into a loop buffer.

void kick(Loop& out, long at, double vel)
{
    const int len = static_cast<int>(0.45 * kRate);
    Osc o;
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double hz = 46.0 + 120.0 * std::exp(-t / 0.03);
        double env = std::exp(-t / 0.22) * std::min(1.0, t / 0.0015);
        double tail = 1.0 - std::clamp((t - 0.38) / 0.07, 0.0, 1.0);
        double click = std::exp(-t / 0.004) * 0.25;
        double v = std::tanh(1.6 * (o.sine(hz) * env + click)) * tail * vel;
        out.add(at + i, v, v);
    }
}

void snare(Loop& out, long at, double vel, Rng& rng)
{
    const int len = static_cast<int>(0.35 * kRate);
    Osc o;
    Svf bp;
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double tone = o.sine(185.0 + 40.0 * std::exp(-t / 0.01)) * std::exp(-t / 0.05) * 0.55;
        bp.run(rng.bipolar(), 2400.0, 0.7);
        double noise = (bp.band * 1.3 + bp.high * 0.3) * std::exp(-t / 0.1);
        double env = std::min(1.0, t / 0.001) * (1.0 - std::clamp((t - 0.3) / 0.05, 0.0, 1.0));
        double v = (tone + noise) * env * vel;
        out.add(at + i, v * 0.95, v);
    }
}

void hat(Loop& out, long at, double vel, double decay, double pan, Rng& rng)
{
    const int len = static_cast<int>((decay * 6.0 + 0.005) * kRate);
    Svf hp;
    double gl, gr;
    panGains(pan, gl, gr);
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        hp.run(rng.bipolar(), 7500.0, 0.9);
        double env = std::exp(-t / decay) * std::min(1.0, t / 0.0008);
        double fade = 1.0 - static_cast<double>(i) / len;
        double v = hp.high * env * fade * vel;
        out.add(at + i, v * gl, v * gr);
    }
}

// Long noise wash for section starts.
void crash(Loop& out, long at, double vel, Rng& rng)
{
    const int len = static_cast<int>(2.2 * kRate);
    Svf fl, fr;
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        fl.run(rng.bipolar(), 5200.0, 0.6);
        fr.run(rng.bipolar(), 5600.0, 0.6);
        double env =
            std::exp(-t / 0.55) * std::min(1.0, t / 0.002) * (1.0 - static_cast<double>(i) / len);
        out.add(at + i, fl.high * env * vel, fr.high * env * vel);
    }
}

// Rising filtered noise over one bar, leading into a new section.
void riser(Loop& out, long at, double vel, Rng& rng)
{
    const int len = kBar;
    Svf fl, fr;
    for (int i = 0; i < len; ++i)
    {
        double x = static_cast<double>(i) / len;
        double hz = 300.0 * std::pow(30.0, x);
        fl.run(rng.bipolar(), hz, 3.0);
        fr.run(rng.bipolar(), hz * 1.07, 3.0);
        double env = x * x * (1.0 - std::clamp((x - 0.97) / 0.03, 0.0, 1.0));
        out.add(at + i, fl.band * env * vel, fr.band * env * vel);
    }
}

void bass(Loop& out, long at, double lenSec, int midi, double vel, double bright)
{
    const double release = 0.03;
    const int len = static_cast<int>((lenSec + release) * kRate) + 1;
    Osc saw;
    Svf lp;
    double hz = midiHz(midi);
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double env = gateEnv(t, lenSec, 0.003, release);
        double cutoff = 320.0 + bright * 1500.0 * std::exp(-t / 0.09);
        lp.run(saw.saw(hz) * 0.7, cutoff, 2.2);
        double v = lp.low * env * vel;
        out.add(at + i, v, v);
    }
}

void subBass(Loop& out, long at, double lenSec, int midi, double vel)
{
    const double release = 0.05;
    const int len = static_cast<int>((lenSec + release) * kRate) + 1;
    Osc s;
    double hz = midiHz(midi);
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double v = std::tanh(1.4 * s.sine(hz)) * gateEnv(t, lenSec, 0.006, release) * vel;
        out.add(at + i, v, v);
    }
}

// Three detuned saws per note, spread across the stereo field.
void pad(Loop& out, long at, double lenSec, int midi, double vel, double cutoff)
{
    const double release = 0.9;
    const int len = static_cast<int>((lenSec + release) * kRate) + 1;
    const double detune[3] = {-0.11, 0.0, 0.12}; // semitones
    const double pans[3] = {-0.7, 0.0, 0.7};
    Osc osc[3];
    for (int k = 0; k < 3; ++k)
        osc[k].phase = 0.21 * k + 0.013 * midi;
    Svf fl, fr;
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double env = gateEnv(t, lenSec, 0.35, release);
        double l = 0, r = 0;
        for (int k = 0; k < 3; ++k)
        {
            double v = osc[k].saw(midiHz(midi + detune[k]));
            double gl, gr;
            panGains(pans[k], gl, gr);
            l += v * gl;
            r += v * gr;
        }
        double c = cutoff * (1.0 + 0.25 * std::sin(2.0 * kPi * 0.5 * t));
        fl.run(l, c, 0.8);
        fr.run(r, c * 1.03, 0.8);
        out.add(at + i, fl.low * env * vel, fr.low * env * vel);
    }
}

// Short plucked pulse for the arpeggio.
void pluck(Loop& out, long at, int midi, double vel, double cutoff, double pan)
{
    const int len = static_cast<int>(0.32 * kRate);
    Osc o;
    Svf lp;
    double hz = midiHz(midi);
    double gl, gr;
    panGains(pan, gl, gr);
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double env =
            std::exp(-t / 0.075) * std::min(1.0, t / 0.002) * (1.0 - static_cast<double>(i) / len);
        lp.run(o.pulse(hz, 0.3), cutoff * (0.4 + 0.6 * std::exp(-t / 0.05)), 1.6);
        double v = lp.low * env * vel;
        out.add(at + i, v * gl, v * gr);
    }
}

// Singing lead: saw plus square an octave down, delayed vibrato.
void lead(Loop& out, long at, double lenSec, int midi, double vel)
{
    const double release = 0.12;
    const int len = static_cast<int>((lenSec + release) * kRate) + 1;
    Osc a, b, lfo;
    Svf lp;
    double hz = midiHz(midi);
    for (int i = 0; i < len; ++i)
    {
        double t = static_cast<double>(i) / kRate;
        double vib = 1.0 + 0.006 * std::min(1.0, std::max(0.0, t - 0.18) / 0.25) * lfo.sine(5.5);
        double env = gateEnv(t, lenSec, 0.012, release) * (0.85 + 0.15 * std::exp(-t / 0.15));
        double x = a.saw(hz * vib) * 0.6 + b.pulse(hz * 0.5 * vib, 0.5) * 0.35;
        lp.run(x, 900.0 + 2600.0 * std::exp(-t / 0.25), 1.4);
        double v = lp.low * env * vel;
        out.add(at + i, v, v);
    }
}

// ---------------------------------------------------------------------------
// Effects. Each is run over the whole loop twice; only the second pass is
// kept, so its state at sample 0 is the state it had after sample N-1.

struct PingPong
{
    std::vector<double> bl, br;
    size_t pos = 0;
    double fb, lpL = 0, lpR = 0;
    PingPong(int delay, double feedback) : bl(delay, 0.0), br(delay, 0.0), fb(feedback) {}
    void run(double inL, double inR, double& outL, double& outR)
    {
        double dl = bl[pos], dr = br[pos];
        // Damped feedback that crosses sides on every repeat.
        lpL += 0.45 * (dl - lpL);
        lpR += 0.45 * (dr - lpR);
        bl[pos] = (inL + inR) * 0.5 + lpR * fb;
        br[pos] = lpL * fb;
        pos = (pos + 1) % bl.size();
        outL = dl;
        outR = dr;
    }
};

struct Comb
{
    std::vector<double> buf;
    size_t pos = 0;
    double store = 0;
    explicit Comb(int n) : buf(n, 0.0) {}
    double run(double in, double fb, double damp)
    {
        double out = buf[pos];
        store = out * (1.0 - damp) + store * damp;
        buf[pos] = in + store * fb;
        pos = (pos + 1) % buf.size();
        return out;
    }
};

struct Allpass
{
    std::vector<double> buf;
    size_t pos = 0;
    explicit Allpass(int n) : buf(n, 0.0) {}
    double run(double in)
    {
        double b = buf[pos];
        double out = b - in;
        buf[pos] = in + b * 0.5;
        pos = (pos + 1) % buf.size();
        return out;
    }
};

// A small Schroeder/Moorer style hall.
struct Reverb
{
    std::vector<Comb> cl, cr;
    std::vector<Allpass> al, ar;
    Reverb()
    {
        const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        const int alls[4] = {556, 441, 341, 225};
        const int spread = 23;
        for (int n : combs)
        {
            cl.emplace_back(n);
            cr.emplace_back(n + spread);
        }
        for (int n : alls)
        {
            al.emplace_back(n);
            ar.emplace_back(n + spread);
        }
    }
    void run(double inL, double inR, double& outL, double& outR)
    {
        double in = (inL + inR) * 0.015;
        double l = 0, r = 0;
        for (auto& c : cl)
            l += c.run(in, 0.86, 0.3);
        for (auto& c : cr)
            r += c.run(in, 0.86, 0.3);
        for (auto& a : al)
            l = a.run(l);
        for (auto& a : ar)
            r = a.run(r);
        outL = l;
        outR = r;
    }
};

struct DcBlock
{
    double x1 = 0, y1 = 0;
    double run(double x)
    {
        double y = x - x1 + 0.9995 * y1;
        x1 = x;
        y1 = y;
        return y;
    }
};

// ---------------------------------------------------------------------------

bool writeWav(const std::string& path, const std::vector<int16_t>& interleaved)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    auto u32 = [f](uint32_t v)
    {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16),
                              static_cast<unsigned char>(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto u16 = [f](uint16_t v)
    {
        unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1); // PCM
    u16(2); // stereo
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(dataBytes);
    for (int16_t s : interleaved)
        u16(static_cast<uint16_t>(s));
    return std::fclose(f) == 0;
}

// Reads a 16-bit stereo PCM WAV, walking the chunks so that extra ones
// written by other tools are skipped.
bool readWav(const std::string& path, std::vector<int16_t>& interleaved)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + got);
    std::fclose(f);
    auto u32 = [&](size_t at)
    {
        return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
               static_cast<uint32_t>(bytes[at + 2]) << 16 |
               static_cast<uint32_t>(bytes[at + 3]) << 24;
    };
    auto u16 = [&](size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
        std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
        return false;
    bool formatOk = false;
    for (size_t at = 12; at + 8 <= bytes.size();)
    {
        std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        size_t size = u32(at + 4);
        size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size())
            formatOk = u16(body) == 1 && u16(body + 2) == 2 && u16(body + 14) == 16;
        if (id == "data")
        {
            if (!formatOk)
                return false;
            size = std::min(size, bytes.size() - body);
            interleaved.resize(size / 2);
            for (size_t i = 0; i < interleaved.size(); ++i)
                interleaved[i] = static_cast<int16_t>(u16(body + 2 * i));
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

// Checks a decoded copy of the track: it must be exactly one loop long (so
// the encoder's padding was trimmed) and the jump from the last sample back
// to the first must be no bigger than the jumps the music makes anyway.
int checkLoop(const std::string& path)
{
    std::vector<int16_t> pcm;
    if (!readWav(path, pcm))
    {
        std::fprintf(stderr, "check: cannot read %s as 16-bit stereo WAV\n", path.c_str());
        return 1;
    }
    const long frames = static_cast<long>(pcm.size() / 2);
    int status = 0;
    if (frames != kLength)
    {
        std::fprintf(stderr, "check: %ld frames, expected %d: the loop will not be gapless\n",
                     frames, kLength);
        status = 1;
        if (frames < 2)
            return status;
    }
    for (int c = 0; c < 2; ++c)
    {
        std::vector<int> steps;
        steps.reserve(frames);
        for (long i = 0; i + 1 < frames; ++i)
            steps.push_back(std::abs(pcm[2 * (i + 1) + c] - pcm[2 * i + c]));
        std::sort(steps.begin(), steps.end());
        int p99 = steps[steps.size() * 99 / 100];
        int seam = std::abs(pcm[c] - pcm[2 * (frames - 1) + c]);
        std::printf("check %s: seam step %d, 99%% of steps are <= %d\n", c ? "right" : "left", seam,
                    p99);
        if (seam > p99)
        {
            std::fprintf(stderr, "check: audible step at the loop point\n");
            status = 1;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--check")
        return checkLoop(argv[2]);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <out.wav>\n       %s --check <decoded.wav>\n", argv[0],
                     argv[0]);
        return 2;
    }

    Loop drums, bassBus, padBus, arpBus, leadBus;
    Rng rng(0x5EF7u);
    std::vector<long> kicks;

    for (int bar = 0; bar < kBars; ++bar)
    {
        const Section sec = sectionOf(bar);
        const Chord ch = chordOf(bar);
        const int inSec = bar % 8;
        const double barSec = 2.0;

        // Drums.
        for (int s = 0; s < kStepsPerBar; ++s)
        {
            long at = stepSample(bar, s);
            bool k = false, sn = false;
            double hatVel = 0, hatDecay = 0.03;
            switch (sec)
            {
                case kIntro:
                    k = inSec >= 4 && (s == 0 || s == 8);
                    if (s % 4 == 2)
                        hatVel = 0.16 + 0.02 * inSec;
                    break;
                case kGroove:
                    k = s % 4 == 0;
                    sn = s == 4 || s == 12;
                    hatVel = s % 4 == 2 ? 0.3 : 0.12;
                    if (s == 14)
                        hatDecay = 0.12;
                    break;
                case kBridge:
                    k = s == 0 || s == 10;
                    sn = s == 8;
                    if (s % 2 == 0)
                        hatVel = s % 4 == 2 ? 0.26 : 0.13;
                    break;
                case kFinale:
                    k = s % 4 == 0 || (bar % 2 == 1 && s == 14);
                    sn = s == 4 || s == 12;
                    hatVel = s % 4 == 2 ? 0.32 : 0.14;
                    if (s == 14 || s == 6)
                        hatDecay = s == 14 ? 0.12 : 0.05;
                    break;
            }
            if (k)
            {
                kick(drums, at, sec == kIntro ? 0.75 : 0.95);
                kicks.push_back(at);
            }
            if (sn)
                snare(drums, at, 0.55, rng);
            if (hatVel > 0)
                hat(drums, at, hatVel, hatDecay, s % 4 == 2 ? 0.3 : -0.25, rng);
        }
        // Snare fills into B, and the roll at the very end leading back to A.
        if (bar == 7)
        {
            for (int s : {12, 13, 14, 15})
                snare(drums, stepSample(bar, s), 0.25 + 0.05 * (s - 12), rng);
        }
        if (bar == 15)
        {
            for (int s : {10, 14, 15})
                snare(drums, stepSample(bar, s), 0.4, rng);
        }
        if (bar == 31)
        {
            for (int s = 8; s < 16; ++s)
                snare(drums, stepSample(bar, s), 0.2 + 0.05 * (s - 8), rng);
        }
        if (inSec == 0 && (sec == kGroove || sec == kFinale || sec == kBridge))
            crash(drums, stepSample(bar, 0), 0.45, rng);
        if (bar == 0)
            crash(drums, stepSample(bar, 0), 0.25, rng);
        if (inSec == 7)
            riser(drums, stepSample(bar, 0), sec == kFinale ? 0.3 : 0.22, rng);

        // Bass.
        switch (sec)
        {
            case kIntro:
                subBass(bassBus, stepSample(bar, 0), barSec * 0.92, ch.root + 12, 0.3);
                break;
            case kGroove:
            case kFinale:
                for (int s = 0; s < kStepsPerBar; s += 2)
                {
                    int note = ch.root + ((s % 4 == 2) ? 12 : 0);
                    double bright = (s % 4 == 2) ? 0.9 : 0.55;
                    bass(bassBus, stepSample(bar, s), kStep * 1.6 / kRate, note, 0.55, bright);
                }
                subBass(bassBus, stepSample(bar, 0), barSec * 0.97, ch.root + 12, 0.18);
                break;
            case kBridge:
            {
                const int steps[6] = {0, 3, 6, 8, 11, 14};
                const int lens[6] = {3, 3, 2, 3, 3, 2};
                for (int k = 0; k < 6; ++k)
                {
                    int note = ch.root + ((k == 2 || k == 5) ? 12 : 0);
                    bass(bassBus, stepSample(bar, steps[k]), kStep * (lens[k] - 0.3) / kRate, note,
                         0.55, 0.7);
                }
                subBass(bassBus, stepSample(bar, 0), barSec * 0.97, ch.root + 12, 0.18);
                break;
            }
        }

        // Pad: one chord per bar, darker in the bridge.
        double padCut = sec == kBridge ? 1400.0 : (sec == kIntro ? 900.0 + 120.0 * inSec : 1800.0);
        for (int n : ch.pad)
            pad(padBus, stepSample(bar, 0), barSec, n, 0.13, padCut);

        // Arpeggio: chord tones up and down over two octaves in 16ths.
        if (sec != kBridge || inSec >= 4)
        {
            const int tones[5] = {ch.pad[0] + 12, ch.pad[1] + 12, ch.pad[2] + 12, ch.pad[0] + 24,
                                  ch.pad[1] + 24};
            const int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
            double cut = sec == kIntro ? 700.0 + 450.0 * inSec : 3800.0;
            double vel = sec == kBridge ? 0.13 : (sec == kFinale ? 0.16 : 0.21);
            for (int s = 0; s < kStepsPerBar; ++s)
                pluck(arpBus, stepSample(bar, s), tones[order[s % 8]],
                      vel * (s % 4 == 0 ? 1.2 : 1.0), cut, s % 2 ? 0.45 : -0.45);
        }
    }

    for (const Note& n : melody())
        lead(leadBus, stepSample(n.bar, n.step), (n.len - 0.25) * kStep / kRate, n.midi, 0.32);

    // Side-chain style ducking of pad and bass on every kick.
    std::vector<double> duck(kLength, 1.0);
    for (long k : kicks)
    {
        const int len = static_cast<int>(0.3 * kRate);
        for (int i = 0; i < len; ++i)
        {
            double t = static_cast<double>(i) / kRate;
            double d = 1.0 - 0.55 * std::exp(-t / 0.09) * std::min(1.0, t / 0.004);
            long j = (k + i) % kLength;
            duck[j] = std::min(duck[j], d);
        }
    }

    // Effects and mix, two passes over the loop.
    PingPong delay(static_cast<int>(std::lround(kStep * 3)), 0.42);
    Reverb reverb;
    DcBlock dcl, dcr;
    std::vector<double> mixL(kLength), mixR(kLength);
    for (int pass = 0; pass < 2; ++pass)
    {
        for (int i = 0; i < kLength; ++i)
        {
            double pl = padBus.l[i] * duck[i], pr = padBus.r[i] * duck[i];
            double dl, dr, rl, rr;
            delay.run(arpBus.l[i] * 0.8 + leadBus.l[i] * 0.5,
                      arpBus.r[i] * 0.8 + leadBus.r[i] * 0.5, dl, dr);
            reverb.run(pl + leadBus.l[i] + arpBus.l[i] * 0.6 + drums.l[i] * 0.15 + dl * 0.5,
                       pr + leadBus.r[i] + arpBus.r[i] * 0.6 + drums.r[i] * 0.15 + dr * 0.5, rl,
                       rr);
            double l = drums.l[i] + bassBus.l[i] * duck[i] + pl + arpBus.l[i] + leadBus.l[i] +
                       dl * 0.55 + rl * 0.9;
            double r = drums.r[i] + bassBus.r[i] * duck[i] + pr + arpBus.r[i] + leadBus.r[i] +
                       dr * 0.55 + rr * 0.9;
            l = dcl.run(l);
            r = dcr.run(r);
            if (pass == 1)
            {
                mixL[i] = l;
                mixR[i] = r;
            }
        }
    }

    // Master: normalise, then a gentle saturating limiter to -1 dBFS.
    double peak = 1e-9;
    for (int i = 0; i < kLength; ++i)
        peak = std::max({peak, std::abs(mixL[i]), std::abs(mixR[i])});
    const double drive = 1.25, ceiling = 0.891;
    const double norm = ceiling / std::tanh(drive);
    std::vector<int16_t> pcm(static_cast<size_t>(kLength) * 2);
    double sumSq = 0;
    for (int i = 0; i < kLength; ++i)
    {
        double l = norm * std::tanh(drive * mixL[i] / peak);
        double r = norm * std::tanh(drive * mixR[i] / peak);
        sumSq += l * l + r * r;
        pcm[2 * i] = static_cast<int16_t>(std::lround(l * 32767.0));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(r * 32767.0));
    }
    if (!writeWav(argv[1], pcm))
    {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("zeft: %d samples (%.3f s), rms %.1f dBFS, seam L %d->%d R %d->%d\n", kLength,
                static_cast<double>(kLength) / kRate, 10.0 * std::log10(sumSq / (2.0 * kLength)),
                pcm[2 * (kLength - 1)], pcm[0], pcm[2 * (kLength - 1) + 1], pcm[1]);
    return 0;
}
