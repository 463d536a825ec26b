#pragma once
// The streaming resampler of the best-quality mode, over planar float channels in any
// scale, in double precision inside; each output is rounded to float once, as it is formed. It keeps the high-quality chain's promises (see
// high_quality_resampler.h): output j lies at input position j x P / Q with the filter
// centred on it, and a stream of N input frames yields exactly round(N x Q / P) outputs,
// however it is cut into pushes.
//
// Two stages: all the steepness lies in a long filter applied by fast convolution
// (FftRateStage), which doubles the rate (ratios below 2:1); when decimating by 2:1 or
// more, half-band halvings (BestHalvingStage) first divide the rate by the largest power
// of two that keeps it at twice the output's or more, so that the long filter runs at the
// lowest rate. A short polyphase filter then reaches the output rate, its transition band
// being wide (from 0.98 x the final band to the first image of the steep stage's rate).

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/best_halving_stage.h"
#include "engine/resample/hq/best_quality_filter.h"
#include "engine/resample/hq/best_quality_kernels.h"
#include "engine/resample/hq/fft_rate_stage.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

class BestQualityResampler {
public:
    // Largest number of frames one Push takes.
    static constexpr std::int64_t kMaxPushFrames = 8192;

    explicit BestQualityResampler(const BestQualityKernels& kernels) : kernels_(kernels) {}

    // Designs the filters and allocates the buffers for rates and speed (all positive) and
    // 1 or more channels. False when the memory cannot be had.
    bool Prepare(std::int32_t inputRate, std::int32_t outputRate, SpeedRatio speed,
                 int channels);

    // Takes `frames` (at most kMaxPushFrames) frames of every channel and returns how many
    // outputs are now ready in Output(c); they stay valid until the next call.
    std::int64_t Push(const float* const* input, std::int64_t frames);
    // After the last Push: the next outputs of the stream's tail, 0 once all are out. Call
    // until it returns 0.
    std::int64_t Finish();

    const float* Output(int channel) const { return output_[channel].data(); }
    // The most outputs one Push or Finish returns.
    std::int64_t OutputCapacity() const { return outputCapacity_; }
    // The final stage's filter, and the steep stage before it.
    const BestQualityFilter& Filter() const { return filter_; }
    const FftRateStage& SteepStage() const { return steep_; }
    // Bytes of tables and buffers over the whole chain.
    std::uint64_t MemoryBytes() const;
    // round(inputFrames x Q / P) for the prepared ratio.
    std::int64_t OutputsFor(std::int64_t inputFrames) const;

private:
    bool PrepareStage(int channels, std::int64_t maxPushFrames);
    // Input (null for silence) through the halvings and the steep stage; returns how many
    // of the steep stage's outputs this push made.
    template <typename Sample>
    std::int64_t PushThroughSteep(const Sample* const* input, std::int64_t frames);
    // Appends the steep stage's `frames` newest outputs and produces at most `limit`.
    std::int64_t PushSteepOutputs(std::int64_t frames, std::int64_t limit);
    std::int64_t FinishHere(std::int64_t total);
    std::int64_t Produce(std::int64_t limit);
    void ProduceExact(std::int64_t count);
    void ProduceInOrder(std::int64_t count);
    void ProduceSplit(std::int64_t count);
    // The in-order outputs' rows and first input frames over a cycle of Q outputs from
    // phase 0 and a batch past it, so that a batch takes them as they are instead of stepping the phase output
    // by output.
    void PrepareCycle();
    void PrepareSplitCycle();
    // Outputs in batches: gather(i, start, rest) notes the batch's output i (its first
    // input frame in the buffer, and its phase's numerator), run(batch) computes the batch
    // into the output pointers.
    template <typename Gather, typename Run>
    void ProduceInBatches(std::int64_t count, Gather gather, Run run);
    void ProduceInterpolated(std::int64_t count);
    void AppendSilence(std::int64_t frames);
    void Discard();
    std::int64_t Available() const { return base_ + filled_; }
    bool LargeTable() const;

    const BestQualityKernels& kernels_;
    BestQualityFilter filter_;
    std::vector<BestHalvingStage> halvings_;
    std::vector<const double*> halvedPointers_;
    std::vector<double*> steepTargets_;  // where the steep stage's outputs go: input_ at filled_
    FftRateStage steep_;
    std::int64_t up_ = 1;
    std::int64_t down_ = 1;  // the halvings' decimation
    std::int64_t overallP_ = 0;  // the whole chain's ratio
    std::int64_t overallQ_ = 0;
    std::int64_t received_ = 0;  // frames pushed into the chain
    int channels_ = 0;
    std::int64_t capacity_ = 0;        // frames per channel buffer
    std::int64_t outputCapacity_ = 0;  // outputs per call
    std::vector<AlignedBuffer<double>> input_;
    // Split (a doubled rate taken in order): the steep stage's two phases kept apart, each
    // channel's even frames at Stream(c), its odd ones at Stream(channels + c), all in one
    // array; base_ and filled_ still count frames of the doubled rate, and stay even.
    bool split_ = false;
    double* Stream(int k);
    AlignedBuffer<double> streams_;
    std::int64_t streamFront_ = 0;
    std::int64_t streamDistance_ = 0;  // from a channel's even frames to its odd ones
    std::int64_t channelStride_ = 0;   // from a channel's frames to the next one's
    std::int64_t head_ = 0;
    // Per output of a cycle whose input advances by an even number of frames: its row, the
    // taps on even frames first, its first frame in the even ones and the shift to its first
    // in the odd ones.
    AlignedBuffer<double> splitRows_;
    std::vector<std::int64_t> cycleEvenStarts_, cycleShifts_;
    std::vector<AlignedBuffer<float>> output_;
    std::vector<const double*> inputPointers_;
    std::vector<float*> outputPointers_;
    std::vector<const double*> cycleRows_;
    std::vector<std::int64_t> cycleStarts_;    // floor(j P / Q) - HalfTaps() + 1
    std::vector<std::int64_t> cyclePosition_;  // j < Q of each phase numerator
    std::int64_t base_ = 0;    // input index of each buffer's first frame
    std::int64_t filled_ = 0;  // frames held
    std::int64_t pushed_ = 0;       // input frames seen
    std::int64_t batchFrames_ = 0;  // frames held before producing (large tables only)
    std::int64_t next_ = 0;    // index of the next output
    std::int64_t whole_ = 0;   // floor(next_ x P / Q)
    std::int64_t rest_ = 0;    // next_ x P mod Q
    bool finishing_ = false;
};

}  // namespace zel
