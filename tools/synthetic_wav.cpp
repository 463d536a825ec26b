#include "tools/synthetic_wav.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "engine/codec/sample_encoding.h"
#include "engine/wav/wav_header.h"

namespace zel {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr std::uint32_t kFmtChunkSize = 16;

WavHeader CanonicalHeader(const SignalFormat& format) {
    const auto blockAlign = static_cast<std::uint16_t>(format.channels * format.bitsPerSample / 8);
    WavHeader header;
    header.SetU32(wav_offset::kRiffId, kRiffTag);
    header.SetU32(wav_offset::kWaveId, kWaveTag);
    header.SetU32(wav_offset::kFmtId, kFmtTag);
    header.SetU32(wav_offset::kFmtSize, kFmtChunkSize);
    header.SetU16(wav_offset::kFormatTag, kPcmFormatTag);
    header.SetU16(wav_offset::kChannels, format.channels);
    header.SetU32(wav_offset::kSampleRate, format.sampleRate);
    header.SetU32(wav_offset::kBytesPerSecond, format.sampleRate * blockAlign);
    header.SetU16(wav_offset::kBlockAlign, blockAlign);
    header.SetU16(wav_offset::kBitsPerSample, format.bitsPerSample);
    header.SetU32(wav_offset::kDataId, kDataTag);
    return header;
}

}  // namespace

SampleValues SineSignal(const SignalFormat& format, std::int64_t frames, double hertz,
                        double amplitude) {
    SampleValues samples;
    samples.reserve(static_cast<std::size_t>(frames) * format.channels);
    const double fullScale = format.bitsPerSample == 16 ? kInt16MaxValue : kEightBitZero - 1;
    const int zero = format.bitsPerSample == 16 ? 0 : kEightBitZero;
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
    const std::uint32_t bytesPerSample = format.bitsPerSample / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size()) * bytesPerSample;
    WavHeader header = CanonicalHeader(format);
    CompleteHeader(header, dataBytes);
    std::vector<std::uint8_t> out(header.bytes.begin(), header.bytes.end());
    out.resize(kWavHeaderSize + dataBytes);
    std::uint8_t* sample = out.data() + kWavHeaderSize;
    for (std::int32_t v : samples) {
        if (bytesPerSample == 2)
            WriteInt16(sample, v);
        else
            *sample = static_cast<std::uint8_t>(v);
        sample += bytesPerSample;
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
