// velk-wavgen: synthesises the package's six sound cues VELKGSND1.wav .. VELKGSND6.wav into a folder.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kHeaderBytes = 44;

// One cue as the package needs it: the format is chosen so that the data exactly fills the file size
// that the game's start-up check demands.
struct Cue {
    const char* name;
    std::uint32_t fileBytes;
    std::uint32_t rate;
    unsigned bits;  // 8 (unsigned) or 16 (signed), mono
    double peak;    // loudness balance: the steady, dense cues peak lower than the sparse ones
    std::function<void(std::vector<double>&, double)> render;  // adds the sound; second argument: rate
};

// --- building blocks -------------------------------------------------------------------------

double NoteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Fixed-seed xorshift: the noise must come out the same on every run.
struct Noise {
    std::uint32_t state = 0x9E3779B9u;
    double Next() {  // uniform in [-1, 1)
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 2147483648.0 - 1.0;
    }
};

// Raised-cosine attack and release around an exponential decay; zero at both ends so nothing clicks.
double Envelope(double t, double dur, double attack, double release, double decayTau) {
    if (t < 0.0 || t >= dur) return 0.0;
    double g = decayTau > 0.0 ? std::exp(-t / decayTau) : 1.0;
    if (t < attack) g *= 0.5 - 0.5 * std::cos(kPi * t / attack);
    if (t > dur - release) g *= 0.5 - 0.5 * std::cos(kPi * (dur - t) / release);
    return g;
}

struct Voice {
    double start = 0.0, dur = 0.1;        // seconds
    double f0 = 440.0, f1 = 440.0;        // exponential sweep from f0 to f1 over the note
    double amp = 0.3;
    double attack = 0.005, release = 0.02, decayTau = 0.0;
    std::vector<double> partials{1.0};    // amplitude of harmonic n+1 (or of ratios[n] when given)
    std::vector<double> ratios{};         // inharmonic partial ratios (bells)
    double partialDecay = 0.0;            // higher partials die faster: tau / (1 + partialDecay * n)
    double vibratoHz = 0.0, vibratoDepth = 0.0;  // depth as a fraction of the frequency
};

// Additive oscillator with a phase accumulator, so sweeps and vibrato stay continuous.
void AddVoice(std::vector<double>& out, double rate, const Voice& v) {
    const auto first = static_cast<std::size_t>(std::max(0.0, v.start * rate));
    const auto last = std::min(out.size(), static_cast<std::size_t>((v.start + v.dur) * rate));
    std::vector<double> phase(v.partials.size(), 0.0);
    for (std::size_t i = first; i < last; ++i) {
        const double t = i / rate - v.start;
        double f = v.f0 * std::pow(v.f1 / v.f0, t / v.dur);
        f *= 1.0 + v.vibratoDepth * std::sin(2.0 * kPi * v.vibratoHz * t);
        double s = 0.0;
        for (std::size_t n = 0; n < v.partials.size(); ++n) {
            const double ratio = v.ratios.empty() ? n + 1.0 : v.ratios[n];
            if (f * ratio >= rate * 0.45) continue;  // keep below Nyquist: no aliasing
            phase[n] += 2.0 * kPi * f * ratio / rate;
            double a = v.partials[n];
            if (v.partialDecay > 0.0 && v.decayTau > 0.0) a *= std::exp(-t * v.partialDecay * n / v.decayTau);
            s += a * std::sin(phase[n]);
        }
        out[i] += v.amp * s * Envelope(t, v.dur, v.attack, v.release, v.decayTau);
    }
}

// Shaped noise burst: a one-pole low-pass picks the colour (cutoff in Hz, 0 = white).
void AddNoise(std::vector<double>& out, double rate, Noise& noise, double start, double dur, double amp,
              double attack, double release, double decayTau, double cutoff) {
    const auto first = static_cast<std::size_t>(start * rate);
    const auto last = std::min(out.size(), static_cast<std::size_t>((start + dur) * rate));
    const double k = cutoff > 0.0 ? 1.0 - std::exp(-2.0 * kPi * cutoff / rate) : 1.0;
    double lp = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double t = i / rate - start;
        lp += k * (noise.Next() - lp);
        out[i] += amp * lp * Envelope(t, dur, attack, release, decayTau);
    }
}

// A bright square-ish timbre (odd harmonics) and a brass-like one (all harmonics, 1/n).
const std::vector<double> kSquare{1.0, 0.0, 0.33, 0.0, 0.2, 0.0, 0.14};
const std::vector<double> kBrass{1.0, 0.6, 0.45, 0.32, 0.22, 0.15, 0.1, 0.07};

// --- the six cues ----------------------------------------------------------------------------

// Cue 1: the intro jingle, an arpeggio through C, Am, F and G, a run up, and a held C chord.
void RenderIntro(std::vector<double>& out, double rate) {
    const double step = 0.16;
    const int lead[] = {72, 76, 79, 84, 69, 72, 76, 81, 65, 69, 72, 77, 67, 71, 74, 79, 81, 83, 84, 86};
    const int bass[] = {48, 45, 41, 43, 43};
    Noise noise;
    for (int i = 0; i < 20; ++i) {
        Voice v;
        v.start = i * step;
        v.dur = step * 1.4;
        v.f0 = v.f1 = NoteHz(lead[i]);
        v.amp = 0.22;
        v.decayTau = 0.18;
        v.partials = kSquare;
        v.partialDecay = 1.0;
        AddVoice(out, rate, v);
        AddNoise(out, rate, noise, i * step, 0.04, i % 2 ? 0.05 : 0.09, 0.001, 0.01, 0.008, 6000.0);
    }
    for (int b = 0; b < 5; ++b) {
        Voice v;
        v.start = b * 4 * step;
        v.dur = 4 * step;
        v.f0 = v.f1 = NoteHz(bass[b]);
        v.amp = 0.3;
        v.decayTau = 0.5;
        v.partials = {1.0, 0.5, 0.2};
        AddVoice(out, rate, v);
    }
    const double end = out.size() / rate - 0.02;
    for (int note : {48, 60, 64, 67, 72, 76}) {
        Voice v;
        v.start = 20 * step;
        v.dur = end - v.start;
        v.f0 = v.f1 = NoteHz(note);
        v.amp = note == 48 ? 0.3 : 0.12;
        v.attack = 0.01;
        v.release = 0.35;
        v.decayTau = 0.7;
        v.partials = kBrass;
        v.partialDecay = 0.5;
        v.vibratoHz = 5.5;
        v.vibratoDepth = 0.003;
        AddVoice(out, rate, v);
    }
}

// Cue 2: a short woodblock tick, dropping in pitch as it dies, with a breath of noise on the strike.
void RenderTick(std::vector<double>& out, double rate) {
    const double dur = out.size() / rate;
    Voice v;
    v.dur = dur;
    v.f0 = 1900.0;
    v.f1 = 1300.0;
    v.amp = 0.8;
    v.attack = 0.001;
    v.release = 0.008;
    v.decayTau = 0.007;
    v.partials = {1.0, 0.25};
    v.ratios = {1.0, 2.7};
    AddVoice(out, rate, v);
    Noise noise;
    AddNoise(out, rate, noise, 0.0, 0.012, 0.3, 0.0008, 0.005, 0.003, 4000.0);
}

// Cue 3: a bright two-stroke chime (B6 then E7) with bell-like inharmonic partials.
void RenderChime(std::vector<double>& out, double rate) {
    const double dur = out.size() / rate;
    const int notes[] = {83, 88};
    for (int i = 0; i < 2; ++i) {
        Voice v;
        v.start = i * 0.07;
        v.dur = dur - v.start - 0.002;
        v.f0 = v.f1 = NoteHz(notes[i]) / 2.0;
        v.amp = i == 0 ? 0.3 : 0.4;
        v.attack = 0.002;
        v.release = 0.08;
        v.decayTau = 0.16;
        v.partials = {0.5, 1.0, 0.5, 0.3, 0.2};
        v.ratios = {1.0, 2.0, 2.76, 4.07, 5.4};
        v.partialDecay = 0.6;
        AddVoice(out, rate, v);
    }
}

// Cue 4: a falling, wobbling tone: the life is gone.
void RenderFall(std::vector<double>& out, double rate) {
    Voice v;
    v.dur = out.size() / rate;
    v.f0 = 740.0;
    v.f1 = 110.0;
    v.amp = 0.45;
    v.attack = 0.01;
    v.release = 0.2;
    v.partials = {1.0, 0.35, 0.2, 0.1};
    v.vibratoHz = 7.0;
    v.vibratoDepth = 0.04;
    AddVoice(out, rate, v);
}

// Cue 5: a harsh electric buzz: clipped mains-like hum with crackling noise bursts.
void RenderBuzz(std::vector<double>& out, double rate) {
    const double dur = out.size() / rate;
    std::vector<double> saw(20);
    for (std::size_t n = 0; n < saw.size(); ++n) saw[n] = (n % 2 ? -1.0 : 1.0) / (n + 1.0);
    for (double f : {100.0, 151.0}) {
        Voice v;
        v.dur = dur;
        v.f0 = v.f1 = f;
        v.amp = 0.5;
        v.attack = 0.004;
        v.release = 0.05;
        v.partials = saw;
        AddVoice(out, rate, v);
    }
    Noise noise;
    for (double t = 0.0; t + 0.03 < dur - 0.05; t += 0.02 + 0.01 * (noise.Next() + 1.0))
        AddNoise(out, rate, noise, t, 0.012, 0.5, 0.001, 0.006, 0.0, 0.0);
    for (double& s : out) s = std::tanh(2.5 * s);  // the overdrive is what makes it harsh
}

// Cue 6: a rising brass fanfare: G4 C5 E5 in quick steps, then a held G5 over C5 that swells.
void RenderFanfare(std::vector<double>& out, double rate) {
    const double end = out.size() / rate - 0.01;
    const int notes[] = {67, 72, 76};
    for (int i = 0; i < 3; ++i) {
        Voice v;
        v.start = i * 0.12;
        v.dur = 0.13;
        v.f0 = NoteHz(notes[i]) * 0.97;  // a brassy scoop up into the note
        v.f1 = NoteHz(notes[i]);
        v.amp = 0.25;
        v.attack = 0.012;
        v.release = 0.03;
        v.partials = kBrass;
        AddVoice(out, rate, v);
    }
    for (int note : {72, 79}) {
        Voice v;
        v.start = 0.36;
        v.dur = end - v.start;
        v.f0 = v.f1 = NoteHz(note);
        v.amp = note == 79 ? 0.3 : 0.12;
        v.attack = 0.02;
        v.release = 0.35;
        v.partials = kBrass;
        v.vibratoHz = 5.0;
        v.vibratoDepth = 0.006;
        AddVoice(out, rate, v);
    }
}

const Cue kCues[] = {
    {"VELKGSND1", 393968, 44100, 16, 0.89, RenderIntro},
    {"VELKGSND2", 1504, 22050, 16, 0.89, RenderTick},
    {"VELKGSND3", 23656, 22050, 16, 0.89, RenderChime},
    {"VELKGSND4", 9996, 11025, 8, 0.5, RenderFall},
    {"VELKGSND5", 34172, 44100, 16, 0.4, RenderBuzz},
    {"VELKGSND6", 27804, 11025, 16, 0.8, RenderFanfare},
};

// --- WAV writing -----------------------------------------------------------------------------

void PutLE(std::vector<unsigned char>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// Removes any DC, scales to a fixed peak, and encodes as little-endian PCM with a canonical header.
std::vector<unsigned char> EncodeCue(const Cue& cue) {
    const std::uint32_t dataBytes = cue.fileBytes - kHeaderBytes;
    const unsigned frameBytes = cue.bits / 8;
    std::vector<double> s(dataBytes / frameBytes, 0.0);
    cue.render(s, cue.rate);

    double prevIn = 0.0, prevOut = 0.0;  // DC blocker, corner near 5 Hz
    const double r = 1.0 - 2.0 * kPi * 5.0 / cue.rate;
    for (double& x : s) {
        prevOut = x - prevIn + r * prevOut;
        prevIn = x;
        x = prevOut;
    }
    const std::size_t fade = std::min(s.size() / 2, static_cast<std::size_t>(cue.rate / 500));  // 2 ms
    for (std::size_t i = 0; i < fade; ++i) {  // pins both ends to exact silence after the filter's tail
        const double g = 0.5 - 0.5 * std::cos(kPi * i / fade);
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
    double peak = 0.0;
    for (double x : s) peak = std::max(peak, std::fabs(x));
    const double gain = peak > 0.0 ? cue.peak / peak : 0.0;

    std::vector<unsigned char> b;
    b.reserve(cue.fileBytes);
    PutTag(b, "RIFF");
    PutLE(b, cue.fileBytes - 8, 4);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    PutLE(b, 16, 4);
    PutLE(b, 1, 2);  // PCM
    PutLE(b, 1, 2);  // mono
    PutLE(b, cue.rate, 4);
    PutLE(b, cue.rate * frameBytes, 4);
    PutLE(b, frameBytes, 2);
    PutLE(b, cue.bits, 2);
    PutTag(b, "data");
    PutLE(b, dataBytes, 4);
    for (double x : s) {
        const double y = std::clamp(x * gain, -1.0, 1.0);
        if (cue.bits == 8)
            PutLE(b, static_cast<std::uint32_t>(128 + std::lround(y * 127.0)), 1);
        else
            PutLE(b, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(y * 32767.0))), 2);
    }
    return b;
}

// Writes through a temporary name and renames, so a failed run never leaves a broken file in place.
bool WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) {
            std::fprintf(stderr, "velk-wavgen: cannot write %s: %s\n", tmp.string().c_str(), std::strerror(errno));
            return false;
        }
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            std::fprintf(stderr, "velk-wavgen: writing %s failed\n", tmp.string().c_str());
            std::filesystem::remove(tmp);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::fprintf(stderr, "velk-wavgen: cannot replace %s: %s\n", path.string().c_str(), ec.message().c_str());
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: velk-wavgen OUTDIR\n  writes VELKGSND1.wav .. VELKGSND6.wav into OUTDIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "velk-wavgen: cannot use output folder %s: %s\n", argv[1],
                     ec ? ec.message().c_str() : "not a folder");
        return 1;
    }
    for (const Cue& cue : kCues) {
        if (!WriteFile(dir / (std::string(cue.name) + ".wav"), EncodeCue(cue))) return 1;
    }
    return 0;
}
