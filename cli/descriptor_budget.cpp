#include "cli/descriptor_budget.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>

namespace zel::cli {
namespace {

// Standard streams and whatever the libraries keep open.
constexpr std::int64_t kReservedDescriptors = 16;
constexpr std::int64_t kDescriptorsPerWorker = 3;

}  // namespace

int WorkersWithinDescriptorLimit(int requested) {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return requested;
    if (limit.rlim_cur != limit.rlim_max) {
        struct rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY) return requested;
    const std::int64_t available = static_cast<std::int64_t>(limit.rlim_cur) - kReservedDescriptors;
    const std::int64_t fitting = std::max<std::int64_t>(1, available / kDescriptorsPerWorker);
    return static_cast<int>(std::min<std::int64_t>(requested, fitting));
}

}  // namespace zel::cli
