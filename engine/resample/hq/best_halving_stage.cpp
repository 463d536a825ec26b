#include "engine/resample/hq/best_halving_stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/resample/hq/best_quality_bands.h"
#include "engine/resample/hq/kaiser_sinc.h"

namespace zel {
namespace {

constexpr double kLengthOffset = 7.95;
constexpr double kLengthSlope = 2.285;
constexpr double kHalfBandCutoff = 0.25;

}  // namespace

bool BestHalvingStage::Prepare(double band, int channels, std::int64_t maxPushFrames,
                               const BestQualityKernels& kernels) {
    kernels_ = &kernels;
    channels_ = channels;
    // Kaiser's length for the transition from the band to a half less the band; a half-band
    // filter of 4 pairs - 1 taps holds it when 4 pairs covers that length.
    const double length = (kBestStopbandAttenuationDb - kLengthOffset) /
                          (kLengthSlope * 2.0 * std::numbers::pi * (0.5 - 2.0 * band));
    const auto pairs = static_cast<std::int64_t>(std::ceil(length / 4.0));
    const KaiserSinc h{kHalfBandCutoff, static_cast<double>(2 * pairs),
                       KaiserBeta(kBestStopbandAttenuationDb)};
    std::vector<double> row;
    std::vector<double> scratch;
    // Taps at tau = 2 pairs .. -2 pairs + 1: the centre at index 2 pairs, tau = 2 j + 1 at
    // 2 pairs - 2 j - 1.
    DesignKaiserRow(h, 2 * pairs, 1.0, row, scratch);
    pairTaps_.resize(static_cast<std::size_t>(pairs));
    double side = 0.0;
    for (std::int64_t j = 0; j < pairs; ++j) {
        pairTaps_[j] = row[static_cast<std::size_t>(2 * pairs - 2 * j - 1)];
        side += 2.0 * pairTaps_[j];
    }
    // A gain of one at DC, the centre staying one half (the half-band's symmetry about a
    // quarter of the rate).
    centre_ = 0.5;
    for (double& tap : pairTaps_) tap *= 0.5 / side;
    reach_ = 2 * pairs - 1;
    maxOutputs_ = maxPushFrames / 2 + 1;
    const auto capacity = static_cast<std::uint64_t>(maxPushFrames + 2 * reach_ + 2);
    held_.clear();
    output_.clear();
    held_.resize(static_cast<std::size_t>(channels));
    output_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!held_[c].Allocate(capacity) ||
            !output_[c].Allocate(static_cast<std::uint64_t>(maxOutputs_)))
            return false;
    if (!even_.Allocate(static_cast<std::uint64_t>(maxOutputs_)) ||
        !odd_.Allocate(static_cast<std::uint64_t>(maxOutputs_ + 2 * pairs)))
        return false;
    // The reach before the first frame is silence (the buffers start zeroed).
    base_ = -reach_;
    filled_ = reach_;
    next_ = 0;
    return true;
}

std::uint64_t BestHalvingStage::MemoryBytes() const {
    const std::uint64_t perChannel = held_.empty() ? 0 : held_[0].size() + output_[0].size();
    return (static_cast<std::uint64_t>(channels_) * perChannel + even_.size() + odd_.size()) *
           sizeof(double);
}

template <typename Sample>
std::int64_t BestHalvingStage::Push(const Sample* const* input, std::int64_t frames) {
    for (int c = 0; c < channels_; ++c) {
        double* to = held_[c].data() + filled_;
        if (input)
            std::copy(input[c], input[c] + frames, to);
        else
            std::fill(to, to + frames, 0.0);
    }
    filled_ += frames;
    // Output m reads input frames up to 2 m + reach.
    const std::int64_t last = base_ + filled_ - 1 - reach_;
    const std::int64_t count = last < 2 * next_ ? 0 : last / 2 - next_ + 1;
    if (count > 0) {
        for (int c = 0; c < channels_; ++c)
            kernels_->halve(pairTaps_.data(), Pairs(), centre_,
                            held_[c].data() + 2 * next_ - base_, count, output_[c].data(),
                            even_.data(), odd_.data());
        next_ += count;
    }
    // Keep what the next output reads.
    const std::int64_t drop = std::min(filled_, 2 * next_ - reach_ - base_);
    if (drop > 0) {
        for (int c = 0; c < channels_; ++c) {
            double* data = held_[c].data();
            std::memmove(data, data + drop, static_cast<std::size_t>(filled_ - drop) * sizeof(double));
        }
        base_ += drop;
        filled_ -= drop;
    }
    return count;
}

template std::int64_t BestHalvingStage::Push<float>(const float* const*, std::int64_t);
template std::int64_t BestHalvingStage::Push<double>(const double* const*, std::int64_t);

}  // namespace zel
