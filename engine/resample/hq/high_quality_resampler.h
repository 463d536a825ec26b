#pragma once
// The streaming resampler of the high-quality mode, over planar float channels in any
// scale. Output j lies at input position j x P / Q (P / Q = input rate x speed / output
// rate, reduced), with the filter centred on it, so the output lines up with the input in
// time; frames before the start and past the end count as silence. A stream of N input
// frames yields exactly round(N x Q / P) outputs, however it is cut into pushes.
//
// Decimation by more than two first halves the rate as often as needed, each halving a
// short filter that only keeps aliases out of the final band (its transition ends where
// the final band's image begins), so the sharp final filter runs at the lowest rate.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/conversion_ratio.h"
#include "engine/resample/hq/high_quality_filter.h"
#include "engine/resample/hq/high_quality_kernels.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

class HighQualityResampler {
public:
    // Largest number of frames one Push takes.
    static constexpr std::int64_t kMaxPushFrames = 8192;

    explicit HighQualityResampler(const HighQualityKernels& kernels) : kernels_(kernels) {}

    // Designs the filter and allocates the buffers for rates and speed (all positive) and
    // 1 or more channels. False when the memory cannot be had.
    bool Prepare(std::int32_t inputRate, std::int32_t outputRate, SpeedRatio speed,
                 int channels);

    // Takes `frames` (at most kMaxPushFrames) frames of every channel and returns how many
    // outputs are now ready in Output(c); they stay valid until the next call.
    std::int64_t Push(const float* const* input, std::int64_t frames);
    // Where the next Push's frames can be written in place (room for kMaxPushFrames per
    // channel): pushed from there, they are not copied. Valid until the next call.
    float* const* PushSpace();
    // After the last Push: the next outputs of the stream's tail, 0 once all are out. Call
    // until it returns 0.
    std::int64_t Finish();

    const float* Output(int channel) const { return output_[channel].data(); }
    // The most outputs one Push or Finish returns.
    std::int64_t OutputCapacity() const { return outputCapacity_; }
    // The final stage's filter.
    const HighQualityFilter& Filter() const { return filter_; }
    int Halvings() const { return static_cast<int>(halvings_.size()); }
    // Multiply-adds per output frame (all channels) over the whole chain, the interpolation
    // of coefficients counted as one more per tap (for measuring kernels against the machine).
    double MultiplyAddsPerFrame() const;
    // round(inputFrames x Q / P) for the prepared ratio.
    std::int64_t OutputsFor(std::int64_t inputFrames) const;

private:
    bool PrepareStage(int channels);
    // Pushes `frames` into halving `from` (or, past the last, into this stage) and on
    // through the rest; returns this stage's new outputs.
    std::int64_t FeedFrom(std::size_t from, const float* const* input, std::int64_t frames);
    std::int64_t PushHere(const float* const* input, std::int64_t frames);
    std::int64_t FinishHere(std::int64_t total);
    std::int64_t Produce(std::int64_t limit);
    void ProduceExact(std::int64_t count);
    // The rows of paired outputs (see pairedRows_).
    bool PreparePairedRows();
    float* PairedRow(std::int64_t l) { return pairedRows_.data() + l * pairedTaps_; }
    // `count` outputs of one exact phase, from output index firstOutput of this call on.
    void RunOnePhase(const float* row, std::int64_t taps, std::int64_t start, std::int64_t count,
                     std::int64_t firstOutput);
    // The same for two phases over the same windows; rowB's outputs follow rowA's.
    void TriplePhases(const float* rowA, const float* rowB, const float* rowC,
                      std::int64_t taps, std::int64_t start, std::int64_t count,
                      std::int64_t firstOutput);
    void PairPhases(const float* rowA, const float* rowB, std::int64_t taps, std::int64_t start,
                    std::int64_t count, std::int64_t firstOutput);
    void ClearPastEnd();
    void ProduceHalfBand(std::int64_t count);
    void ProduceInterpolated(std::int64_t count);
    void Append(const float* const* input, std::int64_t frames);
    void Discard();
    std::int64_t Available() const { return base_ + filled_; }
    bool LargeTable() const;

    const HighQualityKernels& kernels_;
    HighQualityFilter filter_;
    std::vector<std::unique_ptr<HighQualityResampler>> halvings_;
    std::vector<const float*> stageOutput_;
    std::size_t draining_ = 0;   // the first halving not yet finished
    std::int64_t overallP_ = 0;  // the whole chain's ratio
    std::int64_t overallQ_ = 0;
    std::int64_t received_ = 0;  // frames pushed into the chain
    int channels_ = 0;
    std::int64_t capacity_ = 0;        // frames per channel buffer
    std::int64_t outputCapacity_ = 0;  // outputs per call
    // Below 2:1 upsampling, consecutive outputs start a frame or two apart. Every other one
    // then reads from the window of the one before it, with its taps moved on within rows a
    // vector longer (pairedTaps_, 0 when not used), so that both share each sample load.
    // Which outputs do so depends on their place in the stream alone, so every output is
    // summed alike however the stream is cut.
    AlignedBuffer<float> pairedRows_;
    std::vector<std::int8_t> rowShift_;  // by phase: frames its taps are moved on
    std::int64_t pairedTaps_ = 0;
    AlignedBuffer<float> even_;  // a half-band halving's split streams
    AlignedBuffer<float> odd_;
    std::vector<AlignedBuffer<float>> input_;
    std::vector<AlignedBuffer<float>> output_;
    std::vector<const float*> inputPointers_;
    std::vector<float*> outputPointers_;
    std::vector<float*> pushSpace_;
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
