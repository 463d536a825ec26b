#pragma once
// How loud noise at a frequency is to a listener, for shaping the noise of dithered outputs.

namespace zel {

// The threshold of hearing in quiet, dB SPL (Terhardt's approximation).
double HearingThresholdDb(double hertz);

// The ITU-R BS.468 noise weighting, dB (+12.2 dB near 6.3 kHz, 0 dB at 1 kHz).
double Itu468WeightingDb(double hertz);

// The weighting noise shaping minimises, dB (higher: heard more): the mean of the inverted
// threshold and the BS.468 curve. The threshold alone trusts the ear's deafness above
// 12 kHz and between 7 and 11 kHz more than noise meters and listeners at ordinary levels
// do; BS.468 alone misses the ear's keenness at 3 to 4 kHz. Measured against plain TPDF,
// shaping for the mean lowers the noise under both curves at every rate.
double EarWeightingDb(double hertz);

}  // namespace zel
