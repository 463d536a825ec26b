#pragma once
// The filter of the best-quality mode: a Kaiser-windowed sinc in double precision, linear
// phase, laid on the input's sample grid like the high-quality filter (its reach grows with
// the decimation ratio, its cut-off follows the lower Nyquist frequency).
//
//   passband edge   0.98 x the lower Nyquist frequency (ripple far below 0.001 dB)
//   stopband edge   1.00 x the lower Nyquist frequency (cut-off at 0.99)
//   window          Kaiser, beta = 0.1102 x (180 - 8.7) = 18.88, 180 dB by design
//   length          (180 - 7.95) / (2.285 x 2 pi x 0.01) = 1198 taps per output at ratios
//                   up to 1:1 and 1198 x decimation ratio above, rounded up to a multiple
//                   of eight taps per phase
//
// Taps rounded to float leave aliases up to -150 dB (measured at 96 -> 8 kHz), so taps,
// samples and sums stay in double until the output.
//
// Ratios whose reduced denominator Q is small enough keep one exact row per output phase.
// Any other ratio uses a fixed number of phases, L = 1024 per input frame at full band
// (fewer as the band narrows, at least 128), and each output's row is a cubic (4-point
// Lagrange) interpolation between rows, whose error stays below -190 dB; the table then
// holds rows for the phases -1 .. L + 1. Both stay under kMaxBestQualityTableBytes.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/aligned_buffer.h"

namespace zel {

inline constexpr std::int64_t kBestTapMultiple = 8;
inline constexpr std::int64_t kBestInterpolationPhasesAtFullBand = 1024;
inline constexpr std::int64_t kBestMinInterpolationPhases = 128;
inline constexpr std::int64_t kMaxBestExactCoefficients = std::int64_t{1} << 21;
inline constexpr std::uint64_t kMaxBestQualityTableBytes = std::uint64_t{32} << 20;

// The steep stage's taps at the rate input x up: a Kaiser-windowed sinc of odd length
// passing up to `passEdge` and stopping from `stopEdge` on (cycles per sample at that rate),
// its gain `up` (the zeros stuffed between input frames take the rest), its centre at a
// multiple of `centreMultiple`.
std::vector<double> BestSteepTaps(std::int64_t up, double passEdge, double stopEdge,
                                  std::int64_t centreMultiple);

class BestQualityFilter {
public:
    // Designs the filter for P input frames per Q outputs (both positive, any size: they
    // are reduced here). False when its table would exceed the bound or cannot be had.
    bool Design(std::int64_t p, std::int64_t q);
    // The chain's short stage: P frames of its input per Q outputs, passing up to
    // `passEdge` and stopping from `stopEdge` on, in cycles per input frame.
    bool DesignBands(std::int64_t p, std::int64_t q, double passEdge, double stopEdge);

    std::int64_t P() const { return p_; }
    std::int64_t Q() const { return q_; }
    // Taps per output; output j at input position t = whole + frac reads frames
    // whole - HalfTaps() + 1 .. whole + HalfTaps().
    std::int64_t Taps() const { return 2 * half_; }
    std::int64_t HalfTaps() const { return half_; }
    // Exact: Phases() == Q and Row(l) serves the outputs whose frac is l / Q.
    bool Exact() const { return exact_; }
    std::int64_t Phases() const { return phases_; }
    // Rows follow one another (Row(l) + Taps() is Row(l + 1)); interpolated tables hold
    // Row(-1) .. Row(Phases() + 1).
    const double* Row(std::int64_t l) const { return table_.data() + RowOffset(l); }
    std::uint64_t TableBytes() const { return table_.size() * sizeof(double); }

private:
    std::int64_t RowOffset(std::int64_t l) const { return (l + (exact_ ? 0 : 1)) * Taps(); }
    bool Tabulate(std::int64_t p, std::int64_t q, std::int64_t half, double band, double cutoff);

    std::int64_t p_ = 0;
    std::int64_t q_ = 0;
    std::int64_t half_ = 0;
    std::int64_t phases_ = 0;
    bool exact_ = true;
    AlignedBuffer<double> table_;
};

}  // namespace zel
