#pragma once
// Noise shaping of dithered integer outputs, designed for the output's own sample rate.
//
// The quantiser feeds its error back through a monic FIR noise transfer function
// NTF(z) = 1 + a[0] z^-1 + ... + a[n-1] z^-n, which leaves the signal alone and colours the
// (white) error of dither and rounding by |NTF|^2. The coefficients are the linear
// prediction of the ear weighting's power spectrum W(f) = 10^(EarWeightingDb(f)/10) up to
// Nyquist: of all monic filters of the order, the one whose W-weighted noise power is
// least, minimum phase by construction. W is held within a range below its peak, the widest
// range whose filter keeps the total noise power and the largest boost inside the limits,
// so the noise moved to where the ear is dull stays bounded at every rate.

#include <array>

namespace zel {

inline constexpr int kNoiseShapingOrder = 12;

struct NoiseShapingFilter {
    // a[k] weighs the error of k + 1 samples back.
    std::array<double, kNoiseShapingOrder> a{};
};

struct NoiseShapingLimits {
    // Total noise power (0..Nyquist) against unshaped noise, dB.
    double powerGainDb = 6.0;
    // The largest boost at any frequency, dB.
    double peakGainDb = 15.0;
};

// The filter for `sampleRate` Hz: any positive rate gets one inside the limits (no
// shaping at all where nothing fits).
NoiseShapingFilter DesignNoiseShaping(double sampleRate, const NoiseShapingLimits& limits = {});

// |NTF|^2 at `hertz` for the filter at `sampleRate`.
double NoiseGainAt(const NoiseShapingFilter& filter, double hertz, double sampleRate);

// The mean of |NTF|^2 over 0..Nyquist, by Parseval 1 + sum a[k]^2: the factor the
// error's power grows by.
double NoisePowerGain(const NoiseShapingFilter& filter);

}  // namespace zel
