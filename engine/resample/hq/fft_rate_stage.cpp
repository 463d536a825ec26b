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

std::int64_t PowerOfTwoAtLeast(std::int64_t n) {
    std::int64_t size = 1;
    while (size < n) size *= 2;
    return size;
}

}  // namespace

bool FftRateStage::Prepare(std::int64_t up, const std::vector<double>& taps, int channels,
                           std::int64_t maxPushFrames, const BestQualityKernels& kernels) {
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
    maxOutputs_ = (maxPushFrames / fresh_ + 2) * fresh_ * up_;
    plan_ = SharedComplexFftPlan(size_);
    const auto size = static_cast<std::uint64_t>(size_);
    if (!scratch_.Allocate(4 * (size + kStagger))) return false;
    double* scratch = scratch_.data();
    const std::int64_t stride = size_ + kStagger;
    a_ = {scratch, scratch + stride};
    b_ = {scratch + 2 * stride, scratch + 3 * stride};
    if (!PrepareResponses(taps)) return false;
    held_.clear();
    held_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!held_[c].Allocate(size)) return false;
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
        for (std::int64_t j = 0; j <= reach_; ++j) {
            const std::int64_t at = up_ * (j - lead_) + r + centre;
            if (at >= 0 && at < taps_) re[j] = taps[static_cast<std::size_t>(at)] * scale;
        }
        kernels_->fftToPermuted(*plan_, re, im);
    }
    return true;
}

std::uint64_t FftRateStage::MemoryBytes() const {
    return ((2 * static_cast<std::uint64_t>(up_) + 4 + static_cast<std::uint64_t>(channels_)) *
                static_cast<std::uint64_t>(size_) +
            4 * kStagger) *
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
            double* to = held_[c].data() + filled_;
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
    for (int c = 0; c < channels_; c += 2) TransformPair(c, c + 1 < channels_ ? c + 1 : -1, skip);
    const std::int64_t count = up_ * (fresh_ - skip);
    produced_ += count;
    pending_ += count;
    ++blocks_;
    for (int c = 0; c < channels_; ++c) {
        double* data = held_[c].data();
        std::copy(data + size_ - reach_, data + size_, data);
    }
    filled_ = reach_;
}

// Transforms the block of two channels (the second -1 for none), filters it with every
// phase and writes the outputs, phase r at every Up-th place from r.
void FftRateStage::TransformPair(int first, int second, std::int64_t skip) {
    std::copy(held_[first].data(), held_[first].data() + size_, a_.re);
    if (second >= 0)
        std::copy(held_[second].data(), held_[second].data() + size_, a_.im);
    else
        std::fill(a_.im, a_.im + size_, 0.0);
    kernels_->fftToPermuted(*plan_, a_.re, a_.im);
    const std::int64_t from = reach_ + skip;
    const std::int64_t count = size_ - from;
    for (std::int64_t r = 0; r < up_; ++r) {
        kernels_->spectrumProduct(a_.re, a_.im, responseRe_[r].data(), responseIm_[r].data(),
                                  size_, b_.re, b_.im);
        // The product is stored swapped, so the forward transform of it, swapped back, is
        // the inverse transform: the first channel in the imaginary part, the second in the
        // real.
        kernels_->fftFromPermuted(*plan_, b_.re, b_.im);
        double* to = out_[first] + pending_ + r;
        for (std::int64_t t = 0; t < count; ++t) to[t * up_] = b_.im[from + t];
        if (second < 0) continue;
        to = out_[second] + pending_ + r;
        for (std::int64_t t = 0; t < count; ++t) to[t * up_] = b_.re[from + t];
    }
}

}  // namespace zel
