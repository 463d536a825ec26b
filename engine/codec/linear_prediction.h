#pragma once
// Linear prediction by the Levinson-Durbin recursion: the monic filter of a given order
// whose output power is least for a process of the given autocorrelation.

#include <span>

namespace zel {

// From the autocorrelation r[0..order] to the prediction-error filter
// A(z) = 1 + a[0] z^-1 + ... + a[order-1] z^-order (a.size() = order = r.size() - 1), which
// minimises the power of the process filtered by A and, for a positive definite r, has
// every zero inside the unit circle. False (a left unspecified) when r is not positive
// definite.
bool PredictionErrorFilter(std::span<const double> r, std::span<double> a);

}  // namespace zel
