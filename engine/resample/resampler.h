#pragma once
// The one interface every resampler offers to those that drive it (the file driver, the
// tests, the benchmarks): frames go in interleaved in the stream's input encoding and come
// out interleaved in its output encoding, so each resampler keeps the rounding that suits
// it (the standard builds' own integer kernels, the codec's one rule per encoding).
//
// The stream is cut by the resampler: the caller asks how many frames the next push takes,
// pushes exactly that many, and pulls what the push yielded. After the final push, Flush
// yields the tail until it returns 0.

#include <cstdint>
#include <span>

#include "engine/codec/sample_format.h"
#include "engine/resample/conversion_ratio.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

// Float outputs into the output's encoding (gain, dither, rounding, saturations counted),
// block by block in stream order, from one thread at a time.
class SampleEncoder {
  public:
    virtual ~SampleEncoder() = default;
    // Encodes one block as the resampler yielded it (`count` frames, one plane per channel):
    // dither is drawn per block, so the blocks are the resampler's own.
    virtual void EncodeBlock(const float* const* planes, std::int64_t count,
                             std::uint8_t* target) = 0;
    // The most frames one block (of a push or a flush) holds.
    virtual std::int64_t MaxBlockFrames() const = 0;
};

// The outputs of a push or flush as float planes, one per channel.
struct PlanarOutputs {
    const float* const* planes = nullptr;
    std::int64_t frames = 0;
};

// What a resampler is prepared for: the input's samples, the output's, and the target.
struct ResamplerSetup {
    WavSampleFormat input;
    // The output's encoding and frame layout; its channels are the input's.
    WavSampleFormat output;
    ConversionSettings settings;
    // 8 or 16-bit PCM of one or two channels, output in the same encoding: take the
    // build's own integer kernels (and their rounding), as plain WAV files always have.
    // False keeps such a stream on the codec's rounding.
    bool buildIntegerKernels = true;
};

class Resampler {
  public:
    explicit Resampler(const ResamplerSetup& setup)
        : setup_(setup),
          ratio_(ReducedRatio(setup.input.sampleRate, setup.settings.targetRate,
                              setup.settings.speed)) {}
    virtual ~Resampler() = default;
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    const ResamplerSetup& Setup() const { return setup_; }
    const ConversionRatio& Ratio() const { return ratio_; }

    // Frames the next Push takes when `remaining` frames of the stream are left: never 0
    // while frames remain. The push that takes them all is the final one.
    virtual std::int64_t NextBlockFrames(std::int64_t remaining) const = 0;

    // Takes `count` (= NextBlockFrames) interleaved frames in the input encoding; returns
    // the outputs now waiting for Pull.
    std::int64_t Push(const std::uint8_t* frames, std::int64_t count, bool final) {
        pushed_ += count;
        return Waiting(Filter(frames, count, final));
    }
    // After the final push: the tail's next outputs, waiting for Pull; 0 once all are out.
    std::int64_t Flush() { return Waiting(Drain()); }
    // The waiting outputs, interleaved in the output encoding; valid until the next call.
    std::span<const std::uint8_t> Pull() {
        const std::size_t bytes = static_cast<std::size_t>(waiting_) * setup_.output.blockAlign;
        waiting_ = 0;
        return {OutputBytes(), bytes};
    }

    // Room where the caller may read the next push's frames (NextBlockFrames(INT64_MAX) of
    // them), which the push then takes in place instead of copying; null where there is none.
    virtual std::uint8_t* PushSpace() { return nullptr; }

    // For resamplers whose outputs pass through the codec: leaves the outputs unencoded, as
    // planes for PullPlanes, so that the caller can encode them elsewhere (a writer thread)
    // with the encoder returned, every block in order. Null, and nothing changed, for a
    // resampler that encodes as it filters (the build's integer kernels).
    virtual SampleEncoder* DeferEncoding() { return nullptr; }
    // With encoding deferred: the waiting outputs, valid until the next call.
    PlanarOutputs PullPlanes() {
        const PlanarOutputs outputs{OutputPlanes(), waiting_};
        waiting_ = 0;
        return outputs;
    }

    // Output frames the input pushed so far still owes (round(pushed x Q / P) less those
    // produced): the look-ahead a resampler holds back, 0 once the stream is flushed.
    std::int64_t Delay() const {
        // In 128 bits: pushed x Q passes 2^63 for long streams at awkward ratios.
        using Wide = __int128;
        const Wide owed = RoundedStreamOutputs<Wide>(pushed_, ratio_.P, ratio_.Q);
        return owed > produced_ ? static_cast<std::int64_t>(owed - produced_) : 0;
    }
    std::int64_t FramesProduced() const { return produced_; }
    // Integer output samples that had to be saturated so far.
    virtual std::uint64_t ClippedSamples() const = 0;
    // NaN or infinite input samples, converted as silence.
    virtual std::uint64_t NonFiniteSamples() const = 0;

  protected:
    // Filters one block; returns its outputs, now at OutputBytes().
    virtual std::int64_t Filter(const std::uint8_t* frames, std::int64_t count, bool final) = 0;
    // The tail's next outputs at OutputBytes(); 0 when none is left.
    virtual std::int64_t Drain() { return 0; }
    virtual const std::uint8_t* OutputBytes() const = 0;
    // The outputs' planes, for resamplers that defer their encoding.
    virtual const float* const* OutputPlanes() const { return nullptr; }

  private:
    std::int64_t Waiting(std::int64_t count) {
        produced_ += count;
        waiting_ = count;
        return count;
    }

    ResamplerSetup setup_;
    ConversionRatio ratio_;
    std::int64_t pushed_ = 0;
    std::int64_t produced_ = 0;
    std::int64_t waiting_ = 0;
};

}  // namespace zel
