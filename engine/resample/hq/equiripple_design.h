#pragma once
// A linear-phase low-pass filter of odd length 2K + 1 whose error is spread evenly over
// each band (Parks-McClellan, Remez exchange): for the same stopband and length a window
// design must keep its passband ripple as small as its stopband's, this one lets the
// passband ripple grow to what it may and spends the taps on the stopband.

#include <cstdint>
#include <vector>

namespace zel {

struct EquirippleSpec {
    std::int64_t half = 0;     // K: the filter has 2K + 1 taps
    double passEdge = 0.0;     // cycles per sample, 0 < passEdge < stopEdge < 0.5
    double stopEdge = 0.0;
    double stopWeight = 1.0;   // passband ripple / stopband ripple wanted
};

// Taps 0 .. 2K, symmetric about K, gain 1 at DC within the passband ripple. Empty when the
// spec is out of range or the exchange does not settle.
std::vector<double> DesignEquiripple(const EquirippleSpec& spec);

}  // namespace zel
