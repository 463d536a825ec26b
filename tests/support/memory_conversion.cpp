#include "tests/support/memory_conversion.h"

#include <algorithm>

#include "batch/window_progress.h"
#include "engine/resample/standard/block_geometry.h"

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

}  // namespace

MemoryConversion ConvertSamples(const ConversionKernels& kernels, const WavFormat& format,
                                std::span<const std::uint8_t> data, std::int32_t targetRate,
                                std::int32_t speedPercent, platform::MessageWindow* window) {
    MemoryConversion out;
    if (format.blockAlign == 0 || targetRate < 1 || speedPercent < 1) {
        out.result = kInputFormatError;
        return out;
    }
    BlockConversion conversion(kernels);
    const PrepareResult prepared = conversion.Prepare(
        LayoutFor(format.channels, format.bitsPerSample), format.sampleRate, targetRate,
        speedPercent);
    out.geometry = conversion.Geometry();
    if (prepared != PrepareResult::kReady) {
        out.result = kOutOfMemory;
        return out;
    }
    const std::int64_t total = static_cast<std::int64_t>(data.size() / format.blockAlign);
    const BlockGeometry& g = out.geometry;
    const std::int64_t expected = StreamOutputs(total, g.P, g.Q, kernels.blockLimit);
    out.data.reserve(static_cast<std::size_t>(expected) * format.blockAlign);
    SpanSource source(data);
    VectorSink sink(out.data);
    WindowProgress progress(window);
    out.result = conversion.Run(source, sink, total, &progress);
    return out;
}

}  // namespace zel
