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
    // Half a push, what the next outputs read (under 2 pairs of each parity) and slack.
    const auto capacity = static_cast<std::uint64_t>(maxPushFrames / 2 + 2 * pairs + 4);
    even_.clear();
    odd_.clear();
    output_.clear();
    even_.resize(static_cast<std::size_t>(channels));
    odd_.resize(static_cast<std::size_t>(channels));
    output_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!even_[c].Allocate(capacity) || !odd_[c].Allocate(capacity) ||
            !output_[c].Allocate(static_cast<std::uint64_t>(maxOutputs_)))
            return false;
    // The reach before the first frame is silence (the buffers start zeroed): frames
    // -2 pairs .. -1, the first pairs entries of each parity.
    dropped_ = 0;
    received_ = 0;
    next_ = 0;
    return true;
}

std::uint64_t BestHalvingStage::MemoryBytes() const {
    const std::uint64_t perChannel =
        even_.empty() ? 0 : even_[0].size() + odd_[0].size() + output_[0].size();
    return static_cast<std::uint64_t>(channels_) * perChannel * sizeof(double);
}

namespace {

// Frames from absolute index `at` on into the even and odd arrays, pair k of frames at
// index k - shift of each; null input is silence.
template <typename Sample>
void Split(const Sample* input, std::int64_t frames, std::int64_t at, std::int64_t shift,
           double* __restrict even, double* __restrict odd) {
    std::int64_t j = 0;
    if (at % 2 != 0 && frames > 0) {
        odd[at / 2 - shift] = input ? static_cast<double>(input[0]) : 0.0;
        j = 1;
    }
    double* e = even + (at + j) / 2 - shift;
    double* o = odd + (at + j) / 2 - shift;
    std::int64_t k = 0;
    if (input) {
        for (; j + 1 < frames; j += 2, ++k) {
            e[k] = static_cast<double>(input[j]);
            o[k] = static_cast<double>(input[j + 1]);
        }
        if (j < frames) e[k] = static_cast<double>(input[j]);
    } else {
        const std::int64_t rest = frames - j;
        std::fill(e, e + (rest + 1) / 2, 0.0);
        std::fill(o, o + rest / 2, 0.0);
    }
}

}  // namespace

template <typename Sample>
std::int64_t BestHalvingStage::Push(const Sample* const* input, std::int64_t frames) {
    const std::int64_t pairs = Pairs();
    // Pair k of frames (2 k, 2 k + 1) lies at index k + pairs - dropped_.
    const std::int64_t shift = dropped_ - pairs;
    for (int c = 0; c < channels_; ++c)
        Split(input ? input[c] : static_cast<const Sample*>(nullptr), frames, received_, shift,
              even_[c].data(), odd_[c].data());
    received_ += frames;
    // Output m reads input frames up to 2 m + reach.
    const std::int64_t last = received_ - 1 - reach_;
    const std::int64_t count = last < 2 * next_ ? 0 : last / 2 - next_ + 1;
    if (count > 0) {
        // Output i of this call is at frame 2 (next + i); its first odd frame is
        // 2 (next - pairs) + 1.
        for (int c = 0; c < channels_; ++c)
            kernels_->halve(pairTaps_.data(), pairs, centre_, even_[c].data() + next_ - shift,
                            odd_[c].data() + next_ - pairs - shift, count, output_[c].data());
        next_ += count;
    }
    // Keep the pairs from next - pairs on: what the next output reads.
    const std::int64_t drop = next_ - pairs - shift;
    const std::int64_t held = (received_ + 1) / 2 - shift;  // pairs begun
    if (drop > 0) {
        for (int c = 0; c < channels_; ++c) {
            for (double* data : {even_[c].data(), odd_[c].data()})
                std::memmove(data, data + drop,
                             static_cast<std::size_t>(held - drop) * sizeof(double));
        }
        dropped_ += drop;
    }
    return count;
}

template std::int64_t BestHalvingStage::Push<float>(const float* const*, std::int64_t);
template std::int64_t BestHalvingStage::Push<double>(const double* const*, std::int64_t);

}  // namespace zel
