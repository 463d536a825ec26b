#pragma once
// Rows of a Kaiser-windowed sinc: the high-quality mode's halving filters, and the kernel
// that carries its equiripple prototype from a coarse grid to any position.

#include <cstdint>
#include <vector>

namespace zel {

struct KaiserSinc {
    double cutoff;     // cycles per sample
    double halfWidth;  // window half-length, samples
    double beta;
};

// Kaiser's beta for a stopband this many dB down.
double KaiserBeta(double attenuationDb);

// The 2 x half taps at tau = frac + half - 1 - k, k = 0 .. 2 half - 1 (frac in [0, 1]),
// into `row`, unscaled. `scratch` is working room; both are resized here.
void DesignKaiserRow(const KaiserSinc& h, std::int64_t half, double frac, std::vector<double>& row,
                     std::vector<double>& scratch);

}  // namespace zel
