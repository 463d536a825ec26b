#pragma once
// A halving of the best-quality chain before its steep stage, when decimating: a half-band
// Kaiser-windowed sinc in double precision (180 dB by design) that passes the final band and
// stops from its own output's Nyquist frequency less that band on, so that nothing folds
// into the final band. Its output m lies at input position 2 m (no delay), and the filter
// reaches (2 pairs - 1) frames to either side. Every other tap is zero and the rest are
// symmetric, so the steep stage after it runs on half the frames for a fraction of its cost.

#include <cstdint>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/best_quality_kernels.h"

namespace zel {

class BestHalvingStage {
public:
    // `band`: the final band's edge in cycles per input frame (below a quarter). Pushes take
    // at most `maxPushFrames` frames. False when the memory cannot be had.
    bool Prepare(double band, int channels, std::int64_t maxPushFrames,
                 const BestQualityKernels& kernels);

    // Takes `frames` (at most maxPushFrames) frames of every channel, or silence when `input`
    // is null; returns how many outputs wait in Output(c), those of this push only.
    template <typename Sample>
    std::int64_t Push(const Sample* const* input, std::int64_t frames);

    const double* Output(int channel) const { return output_[channel].data(); }
    std::int64_t MaxOutputs() const { return maxOutputs_; }
    std::int64_t Pairs() const { return static_cast<std::int64_t>(pairTaps_.size()); }
    std::uint64_t MemoryBytes() const;

private:
    const BestQualityKernels* kernels_ = nullptr;
    std::vector<double> pairTaps_;  // the taps at offsets 1, 3, 5 ... from the centre
    double centre_ = 0.5;
    int channels_ = 0;
    std::int64_t reach_ = 0;
    std::int64_t maxOutputs_ = 0;
    // The input held, its even and its odd frames apart, as the kernel reads them: frame 2 k
    // at even_[c][k + pairs - dropped_], frame 2 k + 1 at odd_[c][k + pairs - dropped_]. They
    // are split as they arrive, instead of in a pass of their own per output block.
    std::vector<AlignedBuffer<double>> even_, odd_;
    std::vector<AlignedBuffer<double>> output_;
    std::int64_t dropped_ = 0;   // pairs of frames no longer held
    std::int64_t received_ = 0;  // frames pushed
    std::int64_t next_ = 0;      // index of the next output
};

}  // namespace zel
