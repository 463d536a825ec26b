// The AVX2/FMA build. The dot product is phase-major: the outputs that share a coefficient
// row (a phase class: j, j + Q, j + 2Q, ...) are summed while the row sits in seven
// registers, so each output costs only its sample loads. The block is walked in tiles of a
// few outputs per class, so that a tile's input and output samples stay in the first-level
// cache while every class passes over them. Eight dot products run side by side (four
// outputs of both channels, or eight of one), each one chain of fused multiply-adds over
// eight lanes; a tree of horizontal additions closes the eight at once, every output's
// lanes as ((0 + 1) + (2 + 3)) + ((4 + 5) + (6 + 7)), so its value depends neither on the
// tile nor on its place in the group. 16-bit samples are unpacked and packed with 256-bit
// vectors (avx2_sample_kernels.h), 8-bit ones with the SSE2 kernels encoded with VEX.
// Compiled with AVX2 and FMA.

#include <immintrin.h>

#include <algorithm>

#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/avx2_kernels.h"
#include "engine/resample/standard/kernels/avx2_sample_kernels.h"
#include "engine/resample/standard/phase_walk.h"

namespace zel {
namespace {

constexpr int kFullGroups = kRowStride / 8;  // six groups of eight; four entries remain
constexpr int kRowRegisters = kFullGroups + 1;
constexpr int kTailOffset = 8 * kFullGroups;
// Dot products summed side by side: with the row, they fill the sixteen vector registers.
constexpr int kDots = 8;
// Input and output bytes of one tile: about a first-level data cache. Measured: smaller
// tiles share each row's loads among too few outputs, larger ones miss the cache.
constexpr std::int64_t kTileBytes = 48 * 1024;

struct RowRegisters {
    __m256 r[kRowRegisters];
};

// The last four entries in the low half, zeros above, so no entry past the row is read.
inline __m256 LoadTail(const float* p) { return _mm256_zextps128_ps256(_mm_loadu_ps(p)); }

inline RowRegisters LoadRow(const float* row) {
    RowRegisters r;
#pragma GCC unroll 8
    for (int g = 0; g < kFullGroups; ++g) r.r[g] = _mm256_loadu_ps(row + 8 * g);
    r.r[kFullGroups] = LoadTail(row + kTailOffset);
    return r;
}

// Eight lane sums of one output: a single chain over the row.
inline __m256 LaneSums(const RowRegisters& row, const float* x) {
    __m256 sum = _mm256_mul_ps(row.r[0], _mm256_loadu_ps(x));
#pragma GCC unroll 8
    for (int g = 1; g < kFullGroups; ++g)
        sum = _mm256_fmadd_ps(row.r[g], _mm256_loadu_ps(x + 8 * g), sum);
    return _mm256_fmadd_ps(row.r[kFullGroups], LoadTail(x + kTailOffset), sum);
}

// Lane i of the result closes sums[i]; every output's lanes are added in the same order.
inline __m256 CloseEight(const __m256 (&s)[kDots]) {
    const __m256 low = _mm256_hadd_ps(_mm256_hadd_ps(s[0], s[1]), _mm256_hadd_ps(s[2], s[3]));
    const __m256 high = _mm256_hadd_ps(_mm256_hadd_ps(s[4], s[5]), _mm256_hadd_ps(s[6], s[7]));
    // Each 128-bit half now holds half the lanes of four outputs: join the halves.
    return _mm256_add_ps(_mm256_permute2f128_ps(low, high, 0x20),
                         _mm256_permute2f128_ps(low, high, 0x31));
}

// Members of a class per tile: a multiple of the group, at least one group.
inline std::int64_t TileMembers(std::int64_t p, std::int64_t q, int channels, int group) {
    const std::int64_t bytesPerMember = (p + q) * channels * std::int64_t{sizeof(float)};
    return std::max<std::int64_t>(1, kTileBytes / bytesPerMember / group) * group;
}

// One class's members begin..end-1 of the outputs first, first + Q, ..., whose first input
// indices are start, start + P, .... Whole groups first; a short last group sums only its
// own members and repeats the last one's sums in the unused places of the closing. When Q
// is 1 the members are consecutive outputs and whole groups are stored as vectors.
template <int Channels, bool Consecutive>
struct ClassTile {
    static constexpr int kGroup = kDots / Channels;

    const FilterState& state;
    const float* const (&x)[Channels];
    float* const (&out)[Channels];
    __m256 gain;

    void Run(const RowRegisters& row, std::int64_t first, std::int64_t start, std::int64_t begin,
             std::int64_t end) const {
        std::int64_t m = begin;
        for (; m + kGroup <= end; m += kGroup) {
            __m256 sums[kDots];
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) {
                const std::int64_t a = start + (m + i) * state.P;
#pragma GCC unroll 2
                for (int c = 0; c < Channels; ++c) sums[c * kGroup + i] = LaneSums(row, x[c] + a);
            }
            const __m256 values = _mm256_mul_ps(CloseEight(sums), gain);
            if constexpr (Consecutive)
                StoreConsecutive(values, first + m);
            else
                StoreScattered(values, first + m * state.Q, kGroup);
        }
        if (m < end) ShortGroup(row, first, start, m, static_cast<int>(end - m));
    }

    void ShortGroup(const RowRegisters& row, std::int64_t first, std::int64_t start, std::int64_t m,
                    int count) const {
        __m256 sums[kDots];
        for (int i = 0; i < kGroup; ++i) {
            const std::int64_t a = start + (m + i) * state.P;
            for (int c = 0; c < Channels; ++c)
                sums[c * kGroup + i] =
                    i < count ? LaneSums(row, x[c] + a) : sums[c * kGroup + count - 1];
        }
        StoreScattered(_mm256_mul_ps(CloseEight(sums), gain), first + m * state.Q, count);
    }

    void StoreConsecutive(__m256 values, std::int64_t j) const {
        if constexpr (Channels == 2) {
            _mm_storeu_ps(out[0] + j, _mm256_castps256_ps128(values));
            _mm_storeu_ps(out[1] + j, _mm256_extractf128_ps(values, 1));
        } else {
            _mm256_storeu_ps(out[0] + j, values);
        }
    }

    // The first `count` members of a group, whose first output is j.
    void StoreScattered(__m256 values, std::int64_t j, int count) const {
        alignas(32) float v[kDots];
        _mm256_store_ps(v, values);
#pragma GCC unroll 8
        for (int i = 0; i < count; ++i, j += state.Q) {
#pragma GCC unroll 2
            for (int c = 0; c < Channels; ++c) out[c][j] = v[c * kGroup + i];
        }
    }
};

// Tile after tile, every class in turn over the tile's members. Class `first` has
// outputs / Q members, one more when first < outputs % Q; classes later in the walk never
// have more than earlier ones.
template <int Channels, bool Consecutive>
void PhaseMajorFilter(const FilterState& state, const float* const (&x)[Channels],
                      std::int64_t outputs, float* const (&out)[Channels]) {
    const ClassTile<Channels, Consecutive> tile{state, x, out,
                                                _mm256_set1_ps(static_cast<float>(state.Q))};
    const std::int64_t whole = outputs / state.Q;
    const std::int64_t rest = outputs % state.Q;
    const std::int64_t classes = std::min(outputs, state.Q);
    const std::int64_t span = TileMembers(state.P, state.Q, Channels, tile.kGroup);
    const std::int64_t mostMembers = whole + (rest > 0 ? 1 : 0);
    for (std::int64_t begin = 0; begin < mostMembers; begin += span) {
        PhaseWalk walk(state.P, state.Q);
        for (std::int64_t first = 0; first < classes; ++first, walk.Advance()) {
            const std::int64_t members = whole + (first < rest ? 1 : 0);
            if (members <= begin) break;
            tile.Run(LoadRow(state.table.Row(walk.Phase())), first, walk.Start(), begin,
                     std::min(begin + span, members));
        }
    }
}

template <int Channels>
void FilterChannels(const FilterState& state, const float* const (&x)[Channels],
                    std::int64_t outputs, float* const (&out)[Channels]) {
    if (state.Q == 1)
        PhaseMajorFilter<Channels, true>(state, x, outputs, out);
    else
        PhaseMajorFilter<Channels, false>(state, x, outputs, out);
}

void FilterAvx2(SampleLayout layout, const FilterState& state, const float* left,
                const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    if (layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16)
        FilterChannels<2>(state, {left, right}, outputs, {outLeft, outRight});
    else
        FilterChannels<1>(state, {left}, outputs, {outLeft});
}

}  // namespace

const ConversionKernels kAvx2Kernels = {"avx2", kSimdBlockLimit, UnpackAllAvx2, FilterAvx2,
                                        PackAllAvx2};
const ConversionKernels kAvx512BuildKernels = {"avx512", kSimdBlockLimit, UnpackAllAvx2,
                                               FilterAvx2, PackAllAvx2};

}  // namespace zel
