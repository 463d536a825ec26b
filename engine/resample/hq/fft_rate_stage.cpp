#include "engine/resample/hq/fft_rate_stage.h"

#include <algorithm>

namespace zel {
namespace {

// Transform size at least this many times the filter's length: the share of each block
// spent on the overlap stays near a quarter, and the transforms stay in the second-level
// cache.
constexpr std::int64_t kSizePerTap = 3;
constexpr std::int64_t kMinSize = 64;
// A pass of the transform reads four quarters of one array and writes four runs of another,
// for the real and the imaginary parts: sixteen streams whose addresses, with arrays a
// power of two long, agree modulo 4 KiB, more than the first-level cache's ways. Each
// scratch array starts this many doubles (1088 bytes) further on than a whole size, so
// the four arrays fall on different sets. (Measured at 8192 points: 25 % faster.)
constexpr std::int64_t kStagger = 136;

std::int64_t PowerOfTwoAtLeast(std::int64_t n) {
    std::int64_t size = 1;
    while (size < n) size *= 2;
    return size;
}

}  // namespace

bool FftRateStage::Prepare(std::int64_t up, std::int64_t down, const std::vector<double>& taps,
                           int channels, std::int64_t maxPushFrames,
                           const BestQualityKernels& kernels) {
    kernels_ = &kernels;
    up_ = up;
    down_ = down;
    taps_ = static_cast<std::int64_t>(taps.size());
    channels_ = channels;
    size_ = std::max(kMinSize, PowerOfTwoAtLeast(kSizePerTap * taps_));
    blockFrames_ = size_ / up_;
    overlap_ = (taps_ - 1) / up_;
    const std::int64_t fresh = blockFrames_ - overlap_;
    maxOutputs_ = (maxPushFrames / fresh + 2) * (fresh * up_ / down_ + 1);
    inputPlan_ = SharedComplexFftPlan(blockFrames_);
    // Keeping every Down-th output is folding the spectrum into size / Down bins, so the
    // inverse transform is that much shorter (Down is a power of two, as is the size).
    outputPlan_ = SharedComplexFftPlan(size_ / down_);
    const auto size = static_cast<std::uint64_t>(size_);
    if (!responseRe_.Allocate(size) || !responseIm_.Allocate(size) ||
        !scratch_.Allocate(4 * (size + kStagger)) ||
        !silence_.Allocate(channels % 2 == 1 ? static_cast<std::uint64_t>(blockFrames_) : 0))
        return false;
    // The spectrum of the taps, with the inverse transform's 1 / size folded in.
    double* scratch = scratch_.data();
    const std::int64_t stride = size_ + kStagger;
    a_ = {scratch, scratch + stride};
    b_ = {scratch + 2 * stride, scratch + 3 * stride};
    std::copy(taps.begin(), taps.end(), a_.re);
    const SplitComplex response =
        kernels_->fft(*SharedComplexFftPlan(size_), a_.re, a_.im, a_, b_);
    const double scale = 1.0 / static_cast<double>(size_);
    for (std::int64_t k = 0; k < size_; ++k) {
        responseRe_.data()[k] = response.re[k] * scale;
        responseIm_.data()[k] = response.im[k] * scale;
    }
    held_.clear();
    held_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        if (!held_[c].Allocate(static_cast<std::uint64_t>(blockFrames_))) return false;
    // The reach before the first frame is silence.
    filled_ = overlap_;
    blocks_ = produced_ = pending_ = 0;
    return true;
}

std::uint64_t FftRateStage::MemoryBytes() const {
    return (6 * static_cast<std::uint64_t>(size_) + 4 * kStagger +
            static_cast<std::uint64_t>(channels_) *
                static_cast<std::uint64_t>(blockFrames_)) *
           sizeof(double);
}

template <typename Sample>
std::int64_t FftRateStage::Push(const Sample* const* input, std::int64_t frames,
                                double* const* out) {
    pending_ = 0;
    out_ = out;
    for (std::int64_t done = 0; done < frames;) {
        const std::int64_t take = std::min(frames - done, blockFrames_ - filled_);
        for (int c = 0; c < channels_; ++c) {
            const Sample* from = input ? input[c] + done : nullptr;
            double* to = held_[c].data() + filled_;
            if (from)
                std::copy(from, from + take, to);
            else
                std::fill(to, to + take, 0.0);
        }
        filled_ += take;
        done += take;
        if (filled_ == blockFrames_) TransformBlock();
    }
    return pending_;
}

template std::int64_t FftRateStage::Push<float>(const float* const*, std::int64_t,
                                                double* const*);
template std::int64_t FftRateStage::Push<double>(const double* const*, std::int64_t,
                                                 double* const*);

void FftRateStage::TransformBlock() {
    for (int c = 0; c < channels_; c += 2) TransformPair(c, c + 1 < channels_ ? c + 1 : -1);
    const std::int64_t wanted = Delay() + produced_ * down_;
    const std::int64_t first = blocks_ * (size_ - taps_ + 1);
    const std::int64_t end = first + size_ - taps_ + 1;
    const std::int64_t count = wanted < end ? (end - 1 - wanted) / down_ + 1 : 0;
    produced_ += count;
    pending_ += count;
    ++blocks_;
    for (int c = 0; c < channels_; ++c) {
        double* data = held_[c].data();
        std::copy(data + blockFrames_ - overlap_, data + blockFrames_, data);
    }
    filled_ = overlap_;
}

// Transforms the block of two channels (the second -1 for none), filters it and keeps the
// outputs that fall on the output grid.
void FftRateStage::TransformPair(int first, int second) {
    const SplitComplex a = a_;
    const SplitComplex b = b_;
    const double* im = second >= 0 ? held_[second].data() : silence_.data();
    const SplitComplex spectrum = kernels_->fft(*inputPlan_, held_[first].data(), im, a, b);
    const SplitComplex product = spectrum.re == a.re ? b : a;
    kernels_->spectrumProduct(spectrum.re, spectrum.im, blockFrames_, responseRe_.data(),
                              responseIm_.data(), size_ / down_, down_, product.re, product.im);
    // The product is stored swapped, so the forward transform of it, swapped back, is the
    // inverse transform: the first channel in the imaginary part, the second in the real.
    KeepOutputs(kernels_->fft(*outputPlan_, product.re, product.im, product, spectrum), first,
                second);
}

void FftRateStage::KeepOutputs(SplitComplex filtered, int first, int second) {
    // Circular convolution is exact from index taps - 1 on; index taps - 1 of block b is
    // sample b x (size - taps + 1) of the filtered stream, and output m is its sample
    // Delay() + m x Down, which is index (that - start) / Down of the folded transform.
    const std::int64_t start = blocks_ * (size_ - taps_ + 1) - (taps_ - 1);
    // The taps' centre and the blocks' steps are multiples of Down, so the index is whole.
    const std::int64_t from = (Delay() + produced_ * down_ - start) / down_;
    const std::int64_t count = size_ / down_ - from;
    if (count <= 0) return;
    std::copy(filtered.im + from, filtered.im + from + count, out_[first] + pending_);
    if (second >= 0) std::copy(filtered.re + from, filtered.re + from + count, out_[second] + pending_);
}

}  // namespace zel
