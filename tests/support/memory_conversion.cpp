#include "tests/support/memory_conversion.h"

#include <algorithm>

#include "batch/window_progress.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/stream_conversion.h"

namespace zel {
namespace {

class SpanSource : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ReadExactly(std::uint8_t* buffer, std::size_t count) override {
        if (count > bytes_.size() - offset_) return false;
        std::copy_n(bytes_.data() + offset_, count, buffer);
        offset_ += count;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        bytes_.insert(bytes_.end(), buffer, buffer + count);
        return true;
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

class SpanSink : public ByteSink {
public:
    explicit SpanSink(std::span<std::uint8_t> bytes) : bytes_(bytes) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        if (count > bytes_.size() - written_) return false;
        std::copy_n(buffer, count, bytes_.data() + written_);
        written_ += count;
        return true;
    }
    std::size_t Written() const { return written_; }

private:
    std::span<std::uint8_t> bytes_;
    std::size_t written_ = 0;
};

}  // namespace

std::int64_t ResampleBytesInto(const ResamplerSetup& setup, const ConversionKernels& standard,
                               const HighQualityKernels& highQuality,
                               std::span<const std::uint8_t> data, std::span<std::uint8_t> output) {
    if (setup.input.blockAlign == 0 || !setup.settings.IsConvertible()) return -1;
    const PreparedResampler prepared = MakeResampler(setup, standard, highQuality);
    if (prepared.result != PrepareResult::kReady) return -1;
    const auto frames = static_cast<std::int64_t>(data.size() / setup.input.blockAlign);
    SpanSource source(data);
    SpanSink sink(output);
    StreamWritten written;
    if (ConvertStream(*prepared.resampler, source, frames, sink, nullptr, UINT64_MAX, written) !=
        kCompleted)
        return -1;
    return static_cast<std::int64_t>(sink.Written());
}

MemoryConversion ResampleBytes(const ResamplerSetup& setup, const ConversionKernels& standard,
                               const HighQualityKernels& highQuality,
                               std::span<const std::uint8_t> data, ConversionProgress* progress) {
    MemoryConversion out;
    if (setup.input.blockAlign == 0 || !setup.settings.IsConvertible()) {
        out.result = kInputFormatError;
        return out;
    }
    const PreparedResampler prepared = MakeResampler(setup, standard, highQuality);
    if (prepared.result != PrepareResult::kReady) {
        out.result = kOutOfMemory;
        return out;
    }
    const auto frames = static_cast<std::int64_t>(data.size() / setup.input.blockAlign);
    // Room for the whole output up front, so a benchmark times no reallocation.
    const ConversionRatio& ratio = prepared.resampler->Ratio();
    const std::int64_t about = frames / ratio.P * ratio.Q + ratio.Q + 4096;
    out.data.reserve(static_cast<std::size_t>(about) * setup.output.blockAlign);
    SpanSource source(data);
    VectorSink sink(out.data);
    StreamWritten written;
    out.result = ConvertStream(*prepared.resampler, source, frames, sink, progress, UINT64_MAX,
                               written);
    out.clipped = prepared.resampler->ClippedSamples();
    return out;
}

MemoryConversion ConvertSamples(const ConversionKernels& kernels, const WavFormat& format,
                                std::span<const std::uint8_t> data, std::int32_t targetRate,
                                std::int32_t speedPercent, platform::MessageWindow* window) {
    WavSampleFormat samples;
    samples.encoding =
        format.bitsPerSample == 8 ? SampleEncoding::kUnsigned8 : SampleEncoding::kSigned16;
    samples.channels = format.channels;
    samples.sampleRate = format.sampleRate;
    samples.blockAlign = format.blockAlign;
    samples.containerBits = samples.validBits = format.bitsPerSample;
    WavSampleFormat output = samples;
    output.sampleRate = static_cast<std::uint32_t>(targetRate);
    const ResamplerSetup setup{samples, output,
                               {.targetRate = targetRate, .speed = SpeedFromPercent(speedPercent)}};
    WindowProgress progress(window);
    return ResampleBytes(setup, kernels, kHighQualityScalarKernels, data, &progress);
}

}  // namespace zel
