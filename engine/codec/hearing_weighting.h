#pragma once
// How loud noise at a frequency is to a listener, for shaping the noise of dithered outputs.

namespace zel {

// The ITU-R BS.468 noise weighting, dB (+12.2 dB near 6.3 kHz, 0 dB at 1 kHz).
double Itu468WeightingDb(double hertz);

// The weighting noise shaping minimises, dB (higher: heard more): the BS.468 curve, the
// weighting of programme noise. Filters designed for the threshold of hearing, or for a
// mean of both, left more BS.468-weighted noise at 48 kHz than sox's Shibata filter.
double EarWeightingDb(double hertz);

}  // namespace zel
