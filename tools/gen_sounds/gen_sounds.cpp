// gen-sounds: synthesises the reminder sounds the calendar places in the device's \Windows
// folder on first start, and writes them as <output-dir>/<name>.wav (16-bit PCM, mono,
// 22050 Hz). The output is the same on every run, so a regenerated file that git shows as
// changed really did change.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPeak = 0.7;  // loudest sample, as a share of full scale
constexpr double kFadeInSeconds = 0.004;
constexpr double kFadeOutSeconds = 0.08;

using Samples = std::vector<double>;

double Seconds(size_t sample) {
    return static_cast<double>(sample) / kRate;
}

size_t SampleCount(double seconds) {
    return static_cast<size_t>(std::lround(seconds * kRate));
}

// Frequency of a note counted in semitones from A4 (440 Hz).
double Note(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

struct Partial {
    double ratio;  // frequency as a multiple of the note's
    double level;  // starting amplitude
    double decay;  // seconds for the partial to fall to 1/e
};

// Adds one struck note made of decaying sine partials, starting at `at` seconds. A short
// linear attack keeps the onset from clicking.
void Strike(Samples& out, double at, double frequency, const std::vector<Partial>& partials,
            double attack = 0.003) {
    const size_t first = SampleCount(at);
    for (size_t i = first; i < out.size(); ++i) {
        const double t = Seconds(i - first);
        const double rise = t < attack ? t / attack : 1.0;
        double value = 0.0;
        for (const Partial& p : partials) {
            const double f = frequency * p.ratio;
            if (f >= kRate / 2.0) {
                continue;  // above what the rate can carry; it would fold back as noise
            }
            value += p.level * std::exp(-t / p.decay) * std::sin(2.0 * std::numbers::pi * f * t);
        }
        out[i] += rise * value;
    }
}

// Adds a steady tone between `from` and `to` seconds with raised-cosine edges of `edge`
// seconds, so each beep starts and stops softly.
void Beep(Samples& out, double from, double to, double frequency, double edge) {
    const size_t first = SampleCount(from);
    const size_t last = std::min(SampleCount(to), out.size());
    const double length = to - from;
    for (size_t i = first; i < last; ++i) {
        const double t = Seconds(i - first);
        double gain = 1.0;
        if (t < edge) {
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * t / edge);
        } else if (length - t < edge) {
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (length - t) / edge);
        }
        const double phase = 2.0 * std::numbers::pi * frequency * t;
        out[i] += gain * (std::sin(phase) + 0.15 * std::sin(2.0 * phase));
    }
}

// A plucked string (Karplus-Strong): a burst of noise from a fixed-seed generator circulating
// through a gently damped delay line. The fixed seed keeps the output the same on every run.
void Pluck(Samples& out, double at, double frequency, double level, std::uint32_t seed) {
    const size_t period = static_cast<size_t>(std::lround(kRate / frequency));
    std::vector<double> line(period);
    std::uint32_t state = seed;
    for (double& v : line) {
        state = state * 1664525u + 1013904223u;
        v = (static_cast<double>(state >> 8) / static_cast<double>(1u << 24)) * 2.0 - 1.0;
    }
    // Smooth the burst once so the first period is less buzzy, and take out its average:
    // the delay line keeps any offset for the whole note, and an offset that the fade-out
    // pulls back to zero is heard as a thump.
    double sum = 0.0;
    for (size_t i = 1; i < period; ++i) {
        line[i] = 0.5 * (line[i] + line[i - 1]);
    }
    for (double v : line) {
        sum += v;
    }
    for (double& v : line) {
        v -= sum / static_cast<double>(period);
    }
    const size_t first = SampleCount(at);
    size_t pos = 0;
    for (size_t i = first; i < out.size(); ++i) {
        const size_t next = (pos + 1) % period;
        const double value = line[pos];
        line[pos] = 0.996 * 0.5 * (line[pos] + line[next]);
        pos = next;
        const double t = Seconds(i - first);
        const double rise = t < 0.002 ? t / 0.002 : 1.0;
        out[i] += level * rise * value;
    }
}

const std::vector<Partial> kChimePartials = {
    {1.0, 1.0, 0.45}, {2.0, 0.35, 0.25}, {3.0, 0.12, 0.15}, {4.2, 0.05, 0.08}};

// A church-like bell: inharmonic partials, the higher ones dying first.
const std::vector<Partial> kBellPartials = {
    {0.5, 0.35, 0.9},  {1.0, 1.0, 0.7},   {1.19, 0.45, 0.5},  {1.5, 0.35, 0.45}, {2.0, 0.3, 0.35},
    {2.52, 0.2, 0.25}, {2.66, 0.15, 0.2}, {3.01, 0.12, 0.15}, {4.1, 0.06, 0.1}};

const std::vector<Partial> kMarimbaPartials = {
    {1.0, 1.0, 0.22}, {3.93, 0.25, 0.05}, {9.4, 0.06, 0.02}};

const std::vector<Partial> kArpeggioPartials = {{1.0, 1.0, 0.35}, {2.0, 0.3, 0.2}, {3.0, 0.1, 0.1}};

struct Sound {
    const char* name;
    double seconds;
    std::function<void(Samples&)> draw;
};

const std::vector<Sound>& Sounds() {
    static const std::vector<Sound> sounds = {
        {"chime", 1.4,
         [](Samples& s) {
             Strike(s, 0.0, Note(19), kChimePartials);   // E6
             Strike(s, 0.35, Note(15), kChimePartials);  // C6
         }},
        {"bell", 1.9, [](Samples& s) { Strike(s, 0.0, Note(3), kBellPartials, 0.002); }},  // C5
        {"beeps", 0.75,
         [](Samples& s) {
             for (int i = 0; i < 3; ++i) {
                 Beep(s, 0.02 + 0.24 * i, 0.16 + 0.24 * i, 1046.5, 0.02);
             }
         }},
        {"arpeggio", 1.3,
         [](Samples& s) {
             const int notes[] = {3, 7, 10, 15};  // C5 E5 G5 C6
             for (int i = 0; i < 4; ++i) {
                 Strike(s, 0.12 * i, Note(notes[i]), kArpeggioPartials);
             }
         }},
        {"marimba", 0.8,
         [](Samples& s) {
             Strike(s, 0.0, Note(-2), kMarimbaPartials, 0.002);  // G4
             Strike(s, 0.16, Note(3), kMarimbaPartials, 0.002);  // C5
         }},
        {"pluck", 1.5,
         [](Samples& s) {
             const int notes[] = {10, 3, 7};  // G5 C5 E5
             for (int i = 0; i < 3; ++i) {
                 Pluck(s, 0.18 * i, Note(notes[i]), 0.8, 0x5eed0000u + static_cast<unsigned>(i));
             }
         }},
    };
    return sounds;
}

// Scales to the common peak and fades both ends, so every sound is equally loud and begins
// and ends at silence whatever its recipe left there.
std::vector<std::int16_t> Finish(const Samples& samples) {
    double peak = 0.0;
    for (double v : samples) {
        peak = std::max(peak, std::abs(v));
    }
    const double gain = peak > 0.0 ? kPeak / peak : 0.0;
    const size_t fadeIn = SampleCount(kFadeInSeconds);
    const size_t fadeOut = SampleCount(kFadeOutSeconds);
    std::vector<std::int16_t> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        double v = samples[i] * gain;
        if (i < fadeIn) {
            v *= static_cast<double>(i) / static_cast<double>(fadeIn);
        }
        const size_t fromEnd = samples.size() - 1 - i;
        if (fromEnd < fadeOut) {
            v *= static_cast<double>(fromEnd) / static_cast<double>(fadeOut);
        }
        pcm[i] = static_cast<std::int16_t>(std::clamp(std::lround(v * 32767.0), -32767L, 32767L));
    }
    return pcm;
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::string WaveFile(const std::vector<std::int16_t>& pcm) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
    std::string out = "RIFF";
    PutLittleEndian(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLittleEndian(out, 16, 4);         // fmt chunk size
    PutLittleEndian(out, 1, 2);          // PCM
    PutLittleEndian(out, 1, 2);          // mono
    PutLittleEndian(out, kRate, 4);      // samples per second
    PutLittleEndian(out, kRate * 2, 4);  // bytes per second
    PutLittleEndian(out, 2, 2);          // bytes per sample frame
    PutLittleEndian(out, 16, 2);         // bits per sample
    out += "data";
    PutLittleEndian(out, dataBytes, 4);
    for (std::int16_t sample : pcm) {
        PutLittleEndian(out, static_cast<std::uint16_t>(sample), 2);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("usage: gen-sounds <output-dir>\n", argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "gen-sounds: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    for (const Sound& sound : Sounds()) {
        Samples samples(SampleCount(sound.seconds), 0.0);
        sound.draw(samples);
        const std::string bytes = WaveFile(Finish(samples));
        const std::filesystem::path file = folder / (std::string(sound.name) + ".wav");
        std::ofstream stream(file, std::ios::binary | std::ios::trunc);
        stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        stream.close();
        if (!stream) {
            std::fprintf(stderr, "gen-sounds: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
