#pragma once
// The steep stage of the best-quality chain: a linear-phase low-pass applied by fast
// convolution (overlap-save), which also raises the rate by Up (1 or 2) and lowers it by
// Down. Its output m lies at input position m x Down / Up: the filter's delay is dropped,
// so the stage's outputs line up with its input in time.
//
// Channels are transformed in pairs, one as the real part and one as the imaginary part
// of one complex transform: the taps are real, so the two never mix.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/complex_fft.h"

namespace zel {

class FftRateStage {
public:
    // `taps` (odd in number, the gain Up included) at the rate input x Up, their centre at a
    // multiple of Down (a power of two); the transform size is chosen here. Pushes take at most `maxPushFrames` frames. False when the
    // memory cannot be had.
    bool Prepare(std::int64_t up, std::int64_t down, const std::vector<double>& taps, int channels,
                 std::int64_t maxPushFrames, const BestQualityKernels& kernels);

    // Takes `frames` (at most maxPushFrames) input frames, or silence when `input` is null;
    // writes this push's outputs to out[c][0 ..] (room for MaxOutputs()) and returns how
    // many. The outputs go straight where the next stage reads them.
    template <typename Sample>
    std::int64_t Push(const Sample* const* input, std::int64_t frames, double* const* out);

    // The most outputs one push returns.
    std::int64_t MaxOutputs() const { return maxOutputs_; }
    // Outputs produced since Prepare.
    std::int64_t Produced() const { return produced_; }
    // Half the filter's length at the input rate x Up, in such samples.
    std::int64_t Delay() const { return (taps_ - 1) / 2; }
    std::int64_t TransformSize() const { return size_; }
    std::int64_t Taps() const { return taps_; }
    std::uint64_t MemoryBytes() const;

private:
    void TransformBlock();
    void TransformPair(int first, int second);
    void KeepOutputs(SplitComplex filtered, int first, int second);

    const BestQualityKernels* kernels_ = nullptr;
    std::shared_ptr<const ComplexFftPlan> inputPlan_;
    std::shared_ptr<const ComplexFftPlan> outputPlan_;
    std::int64_t up_ = 1;
    std::int64_t down_ = 1;
    std::int64_t taps_ = 0;
    std::int64_t size_ = 0;        // transform size at the raised rate
    std::int64_t blockFrames_ = 0; // input frames per transform
    std::int64_t overlap_ = 0;     // input frames each block repeats from the last
    std::int64_t blocks_ = 0;
    std::int64_t produced_ = 0;
    std::int64_t pending_ = 0;
    std::int64_t maxOutputs_ = 0;
    int channels_ = 0;
    AlignedBuffer<double> responseRe_;  // the taps' spectrum, scaled for the inverse
    AlignedBuffer<double> responseIm_;
    // The transforms' two scratch pairs, in one block: a.re, a.im, b.re, b.im, each a stagger
    // past the last (see fft_rate_stage.cpp).
    AlignedBuffer<double> scratch_;
    SplitComplex a_{};
    SplitComplex b_{};
    AlignedBuffer<double> silence_;  // the partner of a channel left alone
    std::vector<AlignedBuffer<double>> held_;
    std::int64_t filled_ = 0;
    double* const* out_ = nullptr;  // the current push's destination
};

}  // namespace zel
