#include "engine/codec/linear_prediction.h"

#include <cassert>
#include <cstddef>
#include <vector>

namespace zel {

bool PredictionErrorFilter(std::span<const double> r, std::span<double> a) {
    assert(r.size() == a.size() + 1);
    const std::size_t order = a.size();
    double error = r[0];
    if (!(error > 0.0)) return false;
    std::vector<double> previous(order);
    for (std::size_t m = 0; m < order; ++m) {
        // Reflection coefficient of stage m + 1.
        double acc = r[m + 1];
        for (std::size_t k = 0; k < m; ++k) acc += a[k] * r[m - k];
        const double reflection = -acc / error;
        std::copy(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(m), previous.begin());
        for (std::size_t k = 0; k < m; ++k) a[k] = previous[k] + reflection * previous[m - 1 - k];
        a[m] = reflection;
        error *= 1.0 - reflection * reflection;
        if (!(error > 0.0)) return false;
    }
    return true;
}

}  // namespace zel
