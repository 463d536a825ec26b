#include "engine/codec/hearing_weighting.h"

#include <cmath>

namespace zel {
double Itu468WeightingDb(double hertz) {
    // The standard's closed form of its table.
    const double f = hertz, f2 = f * f;
    const double h1 = -4.737338981378384e-24 * f2 * f2 * f2 + 2.043828333606125e-15 * f2 * f2 -
                      1.363894795463638e-7 * f2 + 1.0;
    const double h2 = 1.306612257412824e-19 * f2 * f2 * f - 2.118150887518656e-11 * f2 * f +
                      5.559488023498642e-4 * f;
    return 18.2 + 20.0 * std::log10(1.246332637532143e-4 * f / std::hypot(h1, h2));
}

double EarWeightingDb(double hertz) { return Itu468WeightingDb(hertz); }

}  // namespace zel
