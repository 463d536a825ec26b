#pragma once
// Design of the polyphase low-pass filter: the ratio of input rate x speed to output rate
// is reduced to P:Q, a Hamming-windowed sinc of T*Q + 1 taps is designed at the
// up-sampled rate and cut into Q phases of T + 1 taps (rows padded to kRowStride floats).

#include <cstdint>

#include "engine/base/aligned_buffer.h"
#include "engine/resample/prepare_result.h"
#include "engine/resample/speed_ratio.h"

namespace zel {

inline constexpr std::int32_t kTapSpan = 50;                      // input frames per output
inline constexpr std::int32_t kHalfSpan = kTapSpan / 2;           // look-ahead and look-back
inline constexpr std::int32_t kRowStride = ((kTapSpan + 4) / 4) * 4;  // 52 floats per row
// A filter (or block buffers) whose design would need more memory than this is refused
// as too large for its ratio.
inline constexpr std::uint64_t kMaxDesignBytes = 1ull << 30;

// Q rows of kRowStride floats. Row p holds phase p of the prototype in reverse order.
class PolyphaseTable {
public:
    bool Allocate(std::int64_t rows);
    const float* Row(std::int64_t p) const { return data_.data() + p * kRowStride; }
    float* Row(std::int64_t p) { return data_.data() + p * kRowStride; }
    std::int64_t Rows() const { return rows_; }
    const float* data() const { return data_.data(); }

private:
    AlignedBuffer<float> data_;
    std::int64_t rows_ = 0;
};

// What the filter kernels read: the reduced ratio and the table.
struct FilterState {
    // Set to the unreduced factors by the caller, reduced by DesignFilter. 64-bit because
    // rate x speed can pass 2^31.
    std::int64_t P = 0;
    std::int64_t Q = 0;
    PolyphaseTable table;
};

// Greatest common divisor (Euclid); both arguments positive.
std::int64_t GreatestCommonDivisor(std::int64_t a, std::int64_t b);

enum class DesignOutcome { kDesigned, kOutOfMemory, kTooLarge };

// Reduces P and Q and builds the table. Expects P and Q positive. kTooLarge when the
// table and its scratch would exceed kMaxDesignBytes, kOutOfMemory when they cannot be
// had; the state then holds no table.
DesignOutcome DesignFilter(FilterState& state);

// The filter of a conversion from `inputRate` to `targetRate` at `speed` (all
// positive), at their reduced ratio: kReady, or why it cannot be had.
PrepareResult DesignFilterFor(FilterState& state, std::int64_t inputRate, std::int64_t targetRate,
                              SpeedRatio speed);

// Windowed-sinc low-pass of order n (n + 1 taps) into h, cut-off fc at sampling rate fs.
// False when the window scratch cannot be allocated.
bool DesignLowpass(std::int64_t n, float* h, float fc, float fs);

// Hamming window of `count` values.
void MakeWindow(float* w, std::int64_t count);

}  // namespace zel
