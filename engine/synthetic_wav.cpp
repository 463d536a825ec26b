#include "engine/synthetic_wav.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "engine/wav_header.h"

namespace zel {
namespace {

constexpr double kTwoPi = 6.283185307179586;

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

}  // namespace

SampleValues SineSignal(const SignalFormat& format, std::int64_t frames, double hertz,
                        double amplitude) {
    SampleValues samples;
    samples.reserve(static_cast<std::size_t>(frames) * format.channels);
    const double fullScale = format.bitsPerSample == 16 ? 32767.0 : 127.0;
    const int zero = format.bitsPerSample == 16 ? 0 : 128;
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int ch = 0; ch < format.channels; ++ch) {
            const double phase = kTwoPi * hertz * static_cast<double>(i) / format.sampleRate +
                                 ch * kTwoPi / 4.0;
            samples.push_back(zero +
                              static_cast<std::int32_t>(std::lround(amplitude * fullScale *
                                                                    std::sin(phase))));
        }
    }
    return samples;
}

std::vector<std::uint8_t> MakeWavBytes(const SignalFormat& format, const SampleValues& samples) {
    const std::uint32_t blockAlign = format.channels * format.bitsPerSample / 8;
    const std::uint32_t dataBytes =
        static_cast<std::uint32_t>(samples.size()) * (format.bitsPerSample / 8);
    std::vector<std::uint8_t> out;
    out.reserve(kWavHeaderSize + dataBytes);
    PutU32(out, kRiffTag);
    PutU32(out, dataBytes + 36);
    PutU32(out, kWaveTag);
    PutU32(out, kFmtTag);
    PutU32(out, 16);
    PutU16(out, kPcmFormatTag);
    PutU16(out, format.channels);
    PutU32(out, format.sampleRate);
    PutU32(out, format.sampleRate * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, format.bitsPerSample);
    PutU32(out, kDataTag);
    PutU32(out, dataBytes);
    for (std::int32_t v : samples) {
        if (format.bitsPerSample == 16)
            PutU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        else
            out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

bool WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace zel
