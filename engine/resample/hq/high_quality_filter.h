#pragma once
// The filter of the high-quality mode, linear phase, laid on the input's sample grid so
// that its reach grows with the decimation ratio and its cut-off follows the lower of the
// two Nyquist frequencies.
//
//   passband edge   0.90 x the lower Nyquist frequency (ripple about +-0.0035 dB)
//   stopband edge   1.00 x the lower Nyquist frequency (nothing that cannot be represented
//                   passes; cut-off at 0.95)
//   shape           the equiripple prototype (equiripple_prototype.h), about 150 dB
//                   down in the stopband
//   length          136 taps per output at ratios up to 1:1 and 136 x decimation ratio
//                   above, rounded up to a multiple of eight taps per phase
//
// The halvings that come before a large decimation (DesignBand) are Kaiser-windowed sincs:
// 150 dB, beta = 0.1102 x (150 - 8.7) = 15.57, (150 - 7.95) / (2.285 x 2 pi x transition)
// taps.
//
// Ratios whose reduced denominator Q is small enough keep one exact row per output phase
// (every output then shares its row with the others of its phase). Any other ratio uses a
// fixed number of phases, L = 4096 per input frame at full band (fewer as the band
// narrows), with each output's row interpolated linearly between its two neighbours (the
// table then holds L + 1 rows). Both stay under kMaxHighQualityTableBytes.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/hq/high_quality_bands.h"

namespace zel {

inline constexpr std::int64_t kTapMultiple = 8;
inline constexpr std::int64_t kInterpolationPhasesAtFullBand = 4096;
inline constexpr std::int64_t kMinInterpolationPhases = 64;
inline constexpr std::int64_t kMaxExactCoefficients = std::int64_t{1} << 20;
inline constexpr std::uint64_t kMaxHighQualityTableBytes = std::uint64_t{32} << 20;

class HighQualityFilter {
public:
    // Designs the filter for P input frames per Q outputs (both positive, any size: they are
    // reduced here). False when its table would exceed the bound or cannot be allocated,
    // or when the prototype's design did not settle.
    bool Design(std::int64_t p, std::int64_t q);
    // A Kaiser-windowed sinc with other band edges, in cycles per input frame
    // (0 < pass < stop <= 0.5): the halvings.
    bool DesignBand(std::int64_t p, std::int64_t q, double passEdge, double stopEdge);

    std::int64_t P() const { return p_; }
    std::int64_t Q() const { return q_; }
    // Taps per output; output j at input position t = whole + frac reads frames
    // whole - HalfTaps() + 1 .. whole + HalfTaps().
    std::int64_t Taps() const { return 2 * half_; }
    std::int64_t HalfTaps() const { return half_; }
    // Exact: Phases() == Q and phase l serves the outputs whose frac is l / Q.
    bool Exact() const { return exact_; }
    std::int64_t Phases() const { return phases_; }
    // Rows follow one another, so Row(l) + Taps() is row l + 1.
    const float* Row(std::int64_t l) const { return table_.data() + l * Taps(); }
    // A halving whose cut-off is a quarter of the input rate: every other tap is zero, the
    // rest symmetric about the centre. Then output j is Centre() x x[2j] plus PairTaps()[i]
    // x (x[2j + 2i + 1] + x[2j - 2i - 1]) for i < Pairs().
    bool HalfBand() const { return !pairTaps_.empty(); }
    float Centre() const { return centre_; }
    const float* PairTaps() const { return pairTaps_.data(); }
    std::int64_t Pairs() const { return static_cast<std::int64_t>(pairTaps_.size()); }
    std::uint64_t TableBytes() const { return table_.size() * sizeof(float); }

private:
    // Reduces P:Q, sizes the table for rows of 2 x half taps and fills it with design(frac,
    // row) for each phase, scaled to sum to one. `band` is the output's share of the input
    // band, which sets the number of interpolated phases.
    bool Tabulate(std::int64_t p, std::int64_t q, std::int64_t half, double band,
                  const std::function<void(double, std::vector<double>&)>& design);
    void KeepHalfBand(double cutoff);
    std::int64_t Rows() const { return exact_ ? phases_ : phases_ + 1; }

    std::int64_t p_ = 0;
    std::int64_t q_ = 0;
    std::int64_t half_ = 0;
    std::int64_t phases_ = 0;
    bool exact_ = true;
    AlignedBuffer<float> table_;
    float centre_ = 0.0f;
    std::vector<float> pairTaps_;
};

}  // namespace zel
