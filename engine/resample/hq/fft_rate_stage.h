#pragma once
// The steep stage of the best-quality chain: a linear-phase low-pass applied by fast
// convolution (overlap-save), which also raises the rate by Up (1 or 2). Its output t lies
// at input position t / Up: the filter's delay is dropped, so the stage's outputs line up
// with its input in time.
//
// Raising the rate is done as Up filters at the input rate, one per output phase (the
// taps at every Up-th position of the long filter): one forward transform of each input
// block serves all of them, and every transform has the block's size. Channels are
// transformed in pairs, one as the real part and one as the imaginary part of one complex
// transform: the taps are real, so the two never mix.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/complex_fft.h"

namespace zel {

class FftRateStage {
public:
    // `taps` (odd in number, the gain Up included) at the rate input x Up, centred; the
    // transform size is chosen here. Pushes take at most `maxPushFrames` frames. False when
    // the memory cannot be had.
    //
    // Split (Up 2 only): the phases are not interleaved but kept apart, phase r of channel c
    // at out[r x channels + c]; each phase's outputs are then transformed back in place
    // where they go, so every such destination needs room for TransformSize() doubles
    // past the push's outputs, and for Lead() before the stream's first.
    bool Prepare(std::int64_t up, const std::vector<double>& taps, int channels,
                 std::int64_t maxPushFrames, const BestQualityKernels& kernels,
                 bool split = false);

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
    // Outputs per phase the first block drops, being before the stream.
    std::int64_t Lead() const { return lead_; }
    // New input frames per block: when split, a destination this many doubles on from a
    // 64-byte boundary is on one again.
    std::int64_t Fresh() const { return fresh_; }
    std::uint64_t MemoryBytes() const;

private:
    struct SplitComplex {
        double* re;
        double* im;
    };

    bool PrepareResponses(const std::vector<double>& taps);
    void TransformBlock();
    void TransformPair(int pair, std::int64_t skip);

    const BestQualityKernels* kernels_ = nullptr;
    std::shared_ptr<const ComplexFftPlan> plan_;
    std::int64_t up_ = 1;
    std::int64_t taps_ = 0;
    std::int64_t size_ = 0;   // transform size, input frames per block
    std::int64_t reach_ = 0;  // frames each block repeats from the last: the phases' length - 1
    std::int64_t lead_ = 0;   // input frames by which the causal phases lag the centred filter
    std::int64_t fresh_ = 0;  // new input frames per block
    std::int64_t blocks_ = 0;
    std::int64_t produced_ = 0;
    std::int64_t pending_ = 0;
    std::int64_t maxOutputs_ = 0;
    int channels_ = 0;
    bool split_ = false;
    AlignedBuffer<double> kept_;  // what the first block's dropped outputs overwrite
    // Each phase's spectrum, in the transforms' permuted order, scaled for the inverse.
    std::vector<AlignedBuffer<double>> responseRe_, responseIm_;
    // Per pair of channels the block being filled, transformed in place (the first channel
    // as the real part, the second as the imaginary part), and after all pairs one array
    // pair per phase that its product is transformed back in; in one block, each array a stagger past
    // the last (see fft_rate_stage.cpp).
    AlignedBuffer<double> scratch_;
    std::vector<SplitComplex> held_;
    SplitComplex products_[2] = {};  // one per phase
    // The frames each block repeats, kept aside while the block is transformed.
    AlignedBuffer<double> overlapRe_, overlapIm_;
    std::int64_t filled_ = 0;
    double* const* out_ = nullptr;  // the current push's destination
};

}  // namespace zel
