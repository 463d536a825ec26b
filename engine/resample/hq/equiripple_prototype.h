#pragma once
// The shape of the high-quality filter. Counted in periods of the lower of the two rates
// ("units"), it is the same for every ratio: passband to 0.45, stopband from 0.5 cycles per
// unit. So it is designed once, as an equiripple filter on a grid of two points
// per unit, then carried to a fine grid by a Kaiser-windowed sinc (exact for what the
// coarse grid holds) and read between fine points by cubic interpolation. The coarse
// design is stored in the source; the carrying is done once per process.
//
//   coarse design  265 taps, 0.225 / 0.25 cycles per coarse point, stopband weight 23000:
//                  passband ripple about +-0.0035 dB, stopband about -155 dB
//   carrying sinc  20 coarse points, Kaiser beta for 150 dB
//   fine grid      256 points per unit, cubic (4-point Lagrange) in between
//   reach          +-68 units, cut there: 136 taps per output up to 1:1
//
// A Kaiser-windowed sinc must keep its passband ripple as small as its stopband's; this
// one lets the passband ripple grow to a few thousandths of a dB and reaches the same
// stopband with about two thirds of the taps.

#include <vector>

#include "engine/resample/hq/equiripple_design.h"

namespace zel {

// What the coarse design asks of the equiripple designer.
EquirippleSpec PrototypeCoarseSpec();

// The coarse design as stored in the source (equiripple_prototype_taps.inc, written by
// bench/print_prototype_taps), when `spec` holds the design settings it was made for; else
// empty, and the prototype is designed at run time.
std::vector<double> StoredCoarseDesign(const EquirippleSpec& spec);

class EquiripplePrototype {
public:
    static const EquiripplePrototype& Shared();

    // False if the design did not settle; the filter is then refused.
    bool Valid() const { return !fine_.empty(); }
    // Units on each side of the centre that a filter takes.
    static double Reach();
    // The shape at s units from the centre, 0 past the design's end.
    double At(double s) const;

private:
    EquiripplePrototype();

    std::vector<double> fine_;  // the shape at i / kFinePointsPerUnit units, i >= 0
};

}  // namespace zel
