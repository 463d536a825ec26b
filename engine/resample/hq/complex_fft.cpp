#include "engine/resample/hq/complex_fft.h"

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>

namespace zel {

ComplexFftPlan::ComplexFftPlan(std::int64_t points) : size(points) {
    constexpr std::int64_t kRadix = 4;
    for (std::int64_t n = points; n >= kRadix; n /= kRadix) {
        const std::int64_t quarter = n / kRadix;
        const double step = -2.0 * std::numbers::pi / static_cast<double>(n);
        for (std::int64_t multiple = 1; multiple <= 3; ++multiple) {
            for (std::int64_t p = 0; p < quarter; ++p)
                twiddles.push_back(std::cos(step * static_cast<double>(multiple * p)));
            for (std::int64_t p = 0; p < quarter; ++p)
                twiddles.push_back(std::sin(step * static_cast<double>(multiple * p)));
        }
    }
}

std::shared_ptr<const ComplexFftPlan> SharedComplexFftPlan(std::int64_t size) {
    static std::mutex guard;
    static std::map<std::int64_t, std::shared_ptr<const ComplexFftPlan>> plans;
    const std::lock_guard lock(guard);
    auto& plan = plans[size];
    if (!plan) plan = std::make_shared<const ComplexFftPlan>(size);
    return plan;
}

}  // namespace zel
