// The noise of 16-bit outputs, weighted as meters weigh it: a quiet 24-bit tone at each
// rate converted by zel-cli to 16 bits with --dither tpdf and --dither shaped, and by sox
// with `dither -s` (its noise shaping, where it has a filter for the rate) and plain
// `dither`, at the same rate. The error is what each 16-bit output differs from the same
// conversion without requantisation (zel-cli's float output, sox's input), read from
// 20 Hz to 20 kHz (or Nyquist) under the A and ITU-R BS.468 curves, with the 2-5 kHz band
// and the total error power up to Nyquist; all in dB against zel-cli's plain TPDF.
//
// usage: dither_quality [folder for the files]   (zel-cli and sox as built against)


#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "bench/run_program.h"
#include "engine/codec/noise_shaping_design.h"
#include "tests/support/weighted_noise.h"

namespace {

namespace fs = std::filesystem;
using zel::NoiseWeighting;

constexpr double kSeconds = 6.0;
constexpr double kToneHz = 997.0;
constexpr double kToneDbfs = -40.0;
constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kBandLowHz = 2000.0;
constexpr double kBandHighHz = 5000.0;
// Left out at each end: the filters' start and end.
constexpr std::size_t kSkippedFrames = 4096;
constexpr double kInt24FullScale = 8388608.0;

const int kRates[] = {8000,  11025, 12000, 16000, 22050, 24000,
                      32000, 44100, 48000, 64000, 88200, 96000};

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A mono 24-bit PCM file of the tone, plainly rounded.
bool WriteInput(const fs::path& path, int rate) {
    const auto frames = static_cast<std::uint32_t>(kSeconds * rate);
    const double amplitude = kInt24FullScale * std::pow(10.0, kToneDbfs / 20.0);
    std::vector<std::uint8_t> bytes;
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    PutLe(bytes, 36 + 3 * frames, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);  // PCM
    PutLe(bytes, 1, 2);  // mono
    PutLe(bytes, static_cast<std::uint32_t>(rate), 4);
    PutLe(bytes, static_cast<std::uint32_t>(rate) * 3, 4);
    PutLe(bytes, 3, 2);
    PutLe(bytes, 24, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    PutLe(bytes, 3 * frames, 4);
    for (std::uint32_t n = 0; n < frames; ++n) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * kToneHz * n / rate);
        PutLe(bytes, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v))), 3);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::uint32_t LoadLe(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

// The first channel of a little-endian WAV file of 16, 24-bit PCM or 32-bit float
// samples (plain or extensible fmt chunk), on a -1..+1 scale; empty when unreadable.
std::vector<double> ReadSamples(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), {}};
    std::vector<double> samples;
    int channels = 0, bits = 0;
    bool isFloat = false;
    for (std::size_t at = 12; at + 8 <= data.size();) {
        const std::uint32_t size = LoadLe(&data[at + 4], 4);
        const std::uint8_t* body = &data[at + 8];
        if (at + 8 + size > data.size()) break;
        if (std::memcmp(&data[at], "fmt ", 4) == 0) {
            std::uint32_t tag = LoadLe(body, 2);
            channels = static_cast<int>(LoadLe(body + 2, 2));
            bits = static_cast<int>(LoadLe(body + 14, 2));
            if (tag == 0xFFFE && size >= 26) tag = LoadLe(body + 24, 2);  // the subformat
            isFloat = tag == 3;
        } else if (std::memcmp(&data[at], "data", 4) == 0 && channels > 0) {
            const int bytes = bits / 8;
            for (std::size_t i = 0; i + bytes * channels <= size; i += bytes * channels) {
                const std::uint32_t raw = LoadLe(body + i, bytes);
                if (isFloat) {
                    float f;
                    std::memcpy(&f, &raw, sizeof f);
                    samples.push_back(f);
                } else {
                    const int shift = 32 - bits;
                    const auto v = static_cast<std::int32_t>(raw << shift) >> shift;
                    samples.push_back(std::ldexp(static_cast<double>(v), 1 - bits));
                }
            }
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

std::string FirstLine(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

struct NoiseFigures {
    double a = 0, itu468 = 0, band = 0, total = 0;  // powers
};

std::optional<NoiseFigures> Measure(const std::vector<double>& output,
                                    const std::vector<double>& reference, int rate) {
    if (output.size() != reference.size() || output.size() < 3 * kSkippedFrames) return {};
    std::vector<double> error;
    for (std::size_t i = kSkippedFrames; i + kSkippedFrames < output.size(); ++i)
        error.push_back(output[i] - reference[i]);
    NoiseFigures f;
    f.a = zel::WeightedPower(error, rate, NoiseWeighting::kA, kLowHz, kHighHz);
    f.itu468 = zel::WeightedPower(error, rate, NoiseWeighting::kItu468, kLowHz, kHighHz);
    f.band = zel::WeightedPower(error, rate, NoiseWeighting::kFlat, kBandLowHz, kBandHighHz);
    f.total = zel::WeightedPower(error, rate, NoiseWeighting::kFlat, 0.0, rate);
    return f;
}

std::string Relative(const std::optional<NoiseFigures>& f, const NoiseFigures& base) {
    if (!f) return "failed | - | - | -";
    char text[96];
    std::snprintf(text, sizeof text, "%+.1f | %+.1f | %+.1f | %+.1f",
                  10 * std::log10(f->a / base.a), 10 * std::log10(f->itu468 / base.itu468),
                  10 * std::log10(f->band / base.band), 10 * std::log10(f->total / base.total));
    return text;
}

// The filter's design for `rate`, the fastest of a few runs, in microseconds.
double DesignMicroseconds(int rate) {
    constexpr int kRuns = 5;
    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const zel::NoiseShapingFilter filter = zel::DesignNoiseShaping(rate);
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        if (filter.a[0] == 0.0 && filter.a[1] == 0.0) return -1;  // nothing designed
        best = std::min(best, took.count());
    }
    return best;
}

// What sox said about its filter (its warning without the prefix), "-" when nothing.
std::string SoxNote(const fs::path& errors) {
    const std::string line = FirstLine(errors);
    const std::string::size_type at = line.find("dither: ");
    if (at != std::string::npos) return line.substr(at + 8);
    return line.empty() ? "-" : line;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = (argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) /
                         ("zel-dither-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string cli = ZEL_CLI_PATH;
    std::printf(
        "Error of 16-bit outputs in dB against zel-cli --dither tpdf: A-weighted, "
        "BS.468-weighted\n(both 20 Hz to 20 kHz), 2-5 kHz band, total to Nyquist.\n\n");
    std::printf(
        "| rate | tpdf, A (dBFS) | shaped A | 468 | 2-5k | total | sox -s A | 468 | 2-5k | "
        "total | sox TPDF A | sox's filter | design (us) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|\n");
    for (const int rate : kRates) {
        const fs::path input = dir / ("in" + std::to_string(rate) + ".wav");
        const fs::path errors = dir / "stderr.txt";
        if (!WriteInput(input, rate)) return 1;
        const std::string r = std::to_string(rate);
        auto zel = [&](const std::string& suffix, std::vector<std::string> options) {
            std::vector<std::string> args{cli,        "--quiet", "--rate",       r,
                                          "--suffix", suffix,    "--output-dir", dir.string()};
            args.insert(args.end(), options.begin(), options.end());
            args.push_back(input.string());
            const fs::path out = dir / (input.stem().string() + suffix + ".wav");
            return zel::bench::RunProgram(args, errors.c_str()) ? ReadSamples(out) : std::vector<double>{};
        };
        const std::vector<double> zelReference = zel("_f32", {"--bits", "f32"});
        const auto tpdf =
            Measure(zel("_tpdf", {"--bits", "16", "--dither", "tpdf"}), zelReference, rate);
        const auto shaped =
            Measure(zel("_shaped", {"--bits", "16", "--dither", "shaped"}), zelReference, rate);
        if (!tpdf) {
            std::printf("| %d | zel-cli failed |\n", rate);
            continue;
        }
        std::string soxShaped = "- | - | - | -", soxPlain = "-", note = "sox not found";
#ifdef ZEL_SOX_PATH
        const std::vector<double> soxReference = ReadSamples(input);
        auto sox = [&](std::vector<std::string> effect) -> std::optional<NoiseFigures> {
            const fs::path out = dir / ("sox-" + r + ".wav");
            std::vector<std::string> args{ZEL_SOX_PATH, "-R", input.string(),
                                          "-b",         "16", out.string()};
            args.insert(args.end(), effect.begin(), effect.end());
            if (!zel::bench::RunProgram(args, errors.c_str())) return {};
            return Measure(ReadSamples(out), soxReference, rate);
        };
        soxShaped = Relative(sox({"dither", "-s"}), *tpdf);
        note = SoxNote(errors);
        const auto plain = sox({"dither"});
        char text[16];
        std::snprintf(text, sizeof text, "%+.1f",
                      plain ? 10 * std::log10(plain->a / tpdf->a) : NAN);
        soxPlain = text;
#endif
        std::printf("| %d | %.1f | %s | %s | %s | %s | %.0f |\n", rate, 10 * std::log10(tpdf->a),
                    Relative(shaped, *tpdf).c_str(), soxShaped.c_str(), soxPlain.c_str(),
                    note.c_str(), DesignMicroseconds(rate));
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return 0;
}
