// Compiled twice, with AVX2 and FMA and with AVX-512, as ZEL_HIGHWAY_ROWS (the function's
// name): Highway then targets what the compiler may use.
#include <hwy/highway.h>

#include <algorithm>

#include "bench/highway_rows.h"

static_assert(HWY_STATIC_TARGET == ZEL_HIGHWAY_TARGET, "the flags do not give this target");

namespace zel::bench {
namespace hn = hwy::HWY_NAMESPACE;

namespace {

constexpr int kGroup = 4;  // outputs summed side by side, as in ZEL's kernels

template <int Channels>
void Groups(const double* const* rows, const std::int64_t* starts, std::int64_t count,
            std::int64_t taps, const double* const* x, float* const* out) {
    const hn::ScalableTag<double> d;
    using Vec = hn::Vec<decltype(d)>;
    const auto lanes = static_cast<std::int64_t>(hn::Lanes(d));
    for (std::int64_t i0 = 0; i0 < count; i0 += kGroup) {
        const std::int64_t valid = std::min<std::int64_t>(kGroup, count - i0);
        const double* row[kGroup];
        const double* src[Channels][kGroup];
        for (int i = 0; i < kGroup; ++i) {
            const std::int64_t o = i0 + std::min<std::int64_t>(i, valid - 1);
            row[i] = rows[o];
            for (int c = 0; c < Channels; ++c) src[c][i] = x[c] + starts[o];
        }
        Vec acc[Channels][kGroup];
        for (int c = 0; c < Channels; ++c)
            for (int i = 0; i < kGroup; ++i) acc[c][i] = hn::Zero(d);
        for (std::int64_t k = 0; k < taps; k += lanes) {
            for (int i = 0; i < kGroup; ++i) {
                const Vec coefficient = hn::LoadU(d, row[i] + k);
                for (int c = 0; c < Channels; ++c)
                    acc[c][i] = hn::MulAdd(coefficient, hn::LoadU(d, src[c][i] + k), acc[c][i]);
            }
        }
        for (int c = 0; c < Channels; ++c)
            for (std::int64_t i = 0; i < valid; ++i)
                out[c][i0 + i] = static_cast<float>(hn::GetLane(hn::SumOfLanes(d, acc[c][i])));
    }
}

}  // namespace

void ZEL_HIGHWAY_ROWS(const double* const* rows, const std::int64_t* starts, std::int64_t count,
                      std::int64_t taps, const double* const* x, int channels,
                      float* const* out) {
    int c = 0;
    for (; c + 2 <= channels; c += 2) Groups<2>(rows, starts, count, taps, x + c, out + c);
    if (c < channels) Groups<1>(rows, starts, count, taps, x + c, out + c);
}

}  // namespace zel::bench
