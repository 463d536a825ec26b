#pragma once
// The requantiser of noise-shaped outputs: each float sample is rounded to the output's
// grid with TPDF dither, the error of the samples before it fed back through the noise
// transfer function, one history per channel.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/codec/noise_shaping_design.h"
#include "engine/codec/tpdf_dither.h"

namespace zel {

class NoiseShaper {
  public:
    // `step`: one step of the output on the codec's -1..+1 scale (a power of two).
    NoiseShaper(const NoiseShapingFilter& filter, float step, std::size_t channels);

    // Room for blocks of up to `frames` frames, taken before the first block; false when
    // the memory cannot be had.
    bool Reserve(std::int64_t frames);

    // Every channel's next `count` samples from `in` to `out`, every one a whole number of
    // steps, so the codec's own rounding keeps it. Samples beyond full scale stay for the
    // codec to saturate and count. The error is taken before that saturation: it never
    // exceeds a step and a half, so the loop cannot run away on clipped passages. The
    // dither is drawn channel after channel, as the plain TPDF path draws it.
    void Quantize(const float* const* in, float* const* out, std::int64_t count,
                  TpdfDither& dither);

  private:
    // `Channels` channels from `first` on in one loop: each recurrence waits on its own
    // previous sample, so two run side by side in the time of one.
    template <std::size_t Channels>
    void QuantizeTogether(std::size_t first, const float* const* in, float* const* out,
                          std::int64_t count);

    // The last errors, twice over so the newest-first window is always contiguous:
    // errors[at + k] is the error of k + 1 samples back.
    struct History {
        std::array<double, 2 * kNoiseShapingOrder> errors{};
        int at = 0;
    };

    NoiseShapingFilter filter_;
    double step_;
    double inverseStep_;
    std::vector<History> history_;
    AlignedBuffer<float> noise_;  // a block's dither, channel after channel
};

}  // namespace zel
