#pragma once
// Finishing of the high-quality mode's integer outputs: optional TPDF dither, rounding to
// the nearest integer, saturation, and a count of the samples that had to be clipped, so
// that no clipping goes unreported. Values are in the file's own scale (16-bit as stored,
// 8-bit minus 128).

#include <cstdint>

namespace zel {

// Triangular dither of one step peak-to-peak each side: the difference of two uniform
// values in [0, 1), from a small xorshift generator (the same sequence for the same seed).
class TpdfDither {
public:
    explicit TpdfDither(std::uint64_t seed = 0x9E3779B97F4A7C15ull) : state_(seed | 1) {}
    float Next() { return Uniform() - Uniform(); }

private:
    float Uniform();
    std::uint64_t state_;
};

// Interleaves `channels` planar channels into 16-bit samples; returns how many were
// clipped. `dither` may be null.
std::int64_t PackInt16(const float* const* planar, int channels, std::int64_t frames,
                       std::int16_t* interleaved, TpdfDither* dither);

}  // namespace zel
