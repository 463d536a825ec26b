#include "engine/resample/hq/fft_rate_stage.h"

#include <algorithm>

namespace zel {
namespace {

// Transform size at least this many times the phases' length: the share of each block
// spent on the overlap stays near a third or less.
constexpr std::int64_t kSizePerTap = 6;
constexpr std::int64_t kMinSize = 64;
// A level of the transform reads and writes four quarters of the real and of the
// imaginary array: streams whose addresses, with arrays a power of two long, agree modulo
// 4 KiB, more than the first-level cache's ways. Each array starts this many doubles (1088
// bytes) further on than a whole size, so the arrays fall on different sets.
constexpr std::int64_t kStagger = 136;
constexpr std::int64_t kLineDoubles = 8;

std::int64_t PowerOfTwoAtLeast(std::int64_t n) {
    std::int64_t size = 1;
    while (size < n) size *= 2;
    return size;
}

}  // namespace

bool FftRateStage::Prepare(std::int64_t up, const std::vector<double>& taps, int channels,
                           std::int64_t maxPushFrames, const BestQualityKernels& kernels,
                           bool split) {
    if (up < 1 || up > 2 || (split && up != 2)) return false;
    split_ = split;
    kernels_ = &kernels;
    up_ = up;
    taps_ = static_cast<std::int64_t>(taps.size());
    channels_ = channels;
    // Output phase r at input frame n is sum over j of f_r[j] x[n - j], f_r[j] = h[up (j -
    // lead) + r + centre]: the centred output Up (n - lead) + r.
    const std::int64_t centre = (taps_ - 1) / 2;
    lead_ = (up_ - 1 + centre) / up_;
    reach_ = lead_ + centre / up_;
    size_ = std::max(kMinSize, PowerOfTwoAtLeast(kSizePerTap * (reach_ + 1)));
    fresh_ = size_ - reach_;
    if (split_) {
        // Whole cache lines of fresh frames, so that every block after the first is
        // transformed back on the boundaries its destination starts on: a longer overlap,
        // of taps that are zero.
        fresh_ -= fresh_ % kLineDoubles;
        reach_ = size_ - fresh_;
    }
    maxOutputs_ = (maxPushFrames / fresh_ + 2) * fresh_ * up_;
    plan_ = SharedComplexFftPlan(size_);
    const std::int64_t pairs = (channels + 1) / 2;
    const std::int64_t stride = size_ + kStagger;
    if (!scratch_.Allocate(static_cast<std::uint64_t>(2 * (pairs + up_) * stride)) ||
        !overlapRe_.Allocate(static_cast<std::uint64_t>(reach_)) ||
        !overlapIm_.Allocate(static_cast<std::uint64_t>(reach_)) ||
        !kept_.Allocate(static_cast<std::uint64_t>(2 * lead_ + 1)))
        return false;
    double* scratch = scratch_.data();
    held_.clear();
    for (std::int64_t pair = 0; pair < pairs; ++pair)
        held_.push_back({scratch + 2 * pair * stride, scratch + (2 * pair + 1) * stride});
    for (std::int64_t r = 0; r < up_; ++r)
        products_[r] = {scratch + 2 * (pairs + r) * stride, scratch + (2 * (pairs + r) + 1) * stride};
    if (!PrepareResponses(taps)) return false;
    // The reach before the first frame is silence.
    filled_ = reach_;
    blocks_ = produced_ = pending_ = 0;
    return true;
}

bool FftRateStage::PrepareResponses(const std::vector<double>& taps) {
    const std::int64_t centre = (taps_ - 1) / 2;
    const auto size = static_cast<std::uint64_t>(size_);
    responseRe_.clear();
    responseIm_.clear();
    responseRe_.resize(static_cast<std::size_t>(up_));
    responseIm_.resize(static_cast<std::size_t>(up_));
    const double scale = 1.0 / static_cast<double>(size_);
    for (std::int64_t r = 0; r < up_; ++r) {
        if (!responseRe_[r].Allocate(size) || !responseIm_[r].Allocate(size)) return false;
        double* re = responseRe_[r].data();
        double* im = responseIm_[r].data();
        // Split, the response is turned back by the reach, a circular shift: the block's
        // exact outputs come first in the transform's array, and the wrapped ones after.
        const std::int64_t shift = split_ ? reach_ : 0;
        for (std::int64_t j = 0; j <= reach_; ++j) {
            const std::int64_t at = up_ * (j - lead_) + r + centre;
            if (at >= 0 && at < taps_)
                re[(j - shift + size_) % size_] = taps[static_cast<std::size_t>(at)] * scale;
        }
        kernels_->fftToPermuted(*plan_, re, im);
    }
    return true;
}

std::uint64_t FftRateStage::MemoryBytes() const {
    return (2 * static_cast<std::uint64_t>(up_) * static_cast<std::uint64_t>(size_) +
            scratch_.size() + overlapRe_.size() + overlapIm_.size()) *
           sizeof(double);
}

template <typename Sample>
std::int64_t FftRateStage::Push(const Sample* const* input, std::int64_t frames,
                                double* const* out) {
    pending_ = 0;
    out_ = out;
    for (std::int64_t done = 0; done < frames;) {
        const std::int64_t take = std::min(frames - done, size_ - filled_);
        for (int c = 0; c < channels_; ++c) {
            double* to = (c % 2 == 0 ? held_[c / 2].re : held_[c / 2].im) + filled_;
            if (input)
                std::copy(input[c] + done, input[c] + done + take, to);
            else
                std::fill(to, to + take, 0.0);
        }
        filled_ += take;
        done += take;
        if (filled_ == size_) TransformBlock();
    }
    return pending_;
}

template std::int64_t FftRateStage::Push<float>(const float* const*, std::int64_t,
                                                double* const*);
template std::int64_t FftRateStage::Push<double>(const double* const*, std::int64_t,
                                                 double* const*);

void FftRateStage::TransformBlock() {
    // Circular convolution is exact from index reach on: index reach + t of block b is
    // frame b x fresh + t of the phases' outputs, the centred output Up (b fresh + t - lead)
    // + r. The first block's first `lead` frames lie before the stream.
    const std::int64_t skip = blocks_ == 0 ? lead_ : 0;
    for (std::size_t pair = 0; pair < held_.size(); ++pair)
        TransformPair(static_cast<int>(pair), skip);
    const std::int64_t count = up_ * (fresh_ - skip);
    produced_ += count;
    pending_ += count;
    ++blocks_;
    filled_ = reach_;
}

// Transforms the block of a pair of channels, filters it with every phase and writes the
// outputs, phase r at every Up-th place from r. The block's last `reach` frames, set aside
// first, open the next block.
void FftRateStage::TransformPair(int pair, std::int64_t skip) {
    const SplitComplex block = held_[static_cast<std::size_t>(pair)];
    std::copy(block.re + size_ - reach_, block.re + size_, overlapRe_.data());
    std::copy(block.im + size_ - reach_, block.im + size_, overlapIm_.data());
    kernels_->fftToPermuted(*plan_, block.re, block.im);
    const int first = 2 * pair;
    const bool second = first + 1 < channels_;
    const std::int64_t from = reach_ + skip;
    const std::int64_t count = size_ - from;
    for (std::int64_t r = 0; r < up_ && !split_; ++r) {
        // The product is taken swapped, so the forward transform of it, swapped back, is
        // the inverse transform: the first channel in the imaginary part, the second in the
        // real.
        kernels_->filterFromPermuted(*plan_, block.re, block.im, responseRe_[r].data(),
                                     responseIm_[r].data(), products_[r].re, products_[r].im);
    }
    if (split_) {
        // Straight into the destinations: exact outputs at [0, fresh) of each array, the
        // first block's first `skip` of them before the stream, over frames put back after.
        for (std::int64_t r = 0; r < up_; ++r) {
            double* firstTo = out_[r * channels_ + first] + pending_ / up_ - skip;
            double* secondTo = second ? out_[r * channels_ + first + 1] + pending_ / up_ - skip
                                      : products_[r].re;
            std::copy(firstTo, firstTo + skip, kept_.data());
            if (second) std::copy(secondTo, secondTo + skip, kept_.data() + skip);
            kernels_->filterFromPermuted(*plan_, block.re, block.im, responseRe_[r].data(),
                                         responseIm_[r].data(), secondTo, firstTo);
            std::copy(kept_.data(), kept_.data() + skip, firstTo);
            if (second) std::copy(kept_.data() + skip, kept_.data() + 2 * skip, secondTo);
        }
    } else if (up_ == 1) {
        std::copy(products_[0].im + from, products_[0].im + size_, out_[first] + pending_);
        if (second) std::copy(products_[0].re + from, products_[0].re + size_, out_[first + 1] + pending_);
    } else {
        kernels_->interleave(products_[0].im + from, products_[1].im + from, count,
                             out_[first] + pending_);
        if (second)
            kernels_->interleave(products_[0].re + from, products_[1].re + from, count,
                                 out_[first + 1] + pending_);
    }
    std::copy(overlapRe_.data(), overlapRe_.data() + reach_, block.re);
    std::copy(overlapIm_.data(), overlapIm_.data() + reach_, block.im);
    // A channel without a partner has silence as its imaginary part.
    if (!second) std::fill(block.im + reach_, block.im + size_, 0.0);
}

}  // namespace zel
