// The reference build: plain scalar arithmetic, sums in double precision, rounding with
// ties away from zero.

#include "engine/codec/sample_encoding.h"
#include "engine/codec/sample_rounding.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/phase_walk.h"

namespace zel {
namespace {

void UnpackReference(SampleLayout layout, const std::uint8_t* raw, std::int64_t frames,
                     float* left, float* right) {
    switch (layout) {
        case SampleLayout::Mono8:
            for (std::int64_t i = 0; i < frames; ++i)
                left[i] = static_cast<float>(raw[i] - kEightBitZero);
            break;
        case SampleLayout::Stereo8:
            for (std::int64_t i = 0; i < frames; ++i) {
                left[i] = static_cast<float>(raw[2 * i] - kEightBitZero);
                right[i] = static_cast<float>(raw[2 * i + 1] - kEightBitZero);
            }
            break;
        case SampleLayout::Mono16:
            for (std::int64_t i = 0; i < frames; ++i) left[i] = ReadInt16(raw + 2 * i);
            break;
        case SampleLayout::Stereo16:
            for (std::int64_t i = 0; i < frames; ++i) {
                left[i] = ReadInt16(raw + 4 * i);
                right[i] = ReadInt16(raw + 4 * i + 2);
            }
            break;
    }
}

// Row entries 0..kTapSpan against the input, in order of k, in double precision.
double DotReference(const float* row, const float* x) {
    double sum = 0.0;
    for (int k = 0; k <= kTapSpan; ++k)
        sum += static_cast<double>(row[k]) * static_cast<double>(x[k]);
    return sum;
}

void FilterReference(SampleLayout layout, const FilterState& state, const float* left,
                     const float* right, std::int64_t outputs, float* outLeft, float* outRight) {
    const bool stereo = ChannelsOf(layout) == 2;
    const float gain = static_cast<float>(state.Q);
    PhaseWalk walk(state.P, state.Q);
    for (std::int64_t j = 0; j < outputs; ++j, walk.Advance()) {
        const float* row = state.table.Row(walk.Phase());
        const std::int64_t a = walk.Start();
        outLeft[j] = static_cast<float>(DotReference(row, left + a)) * gain;
        if (stereo) outRight[j] = static_cast<float>(DotReference(row, right + a)) * gain;
    }
}

std::int16_t PackInt16(float y) { return SaturateToInt16(RoundHalfAway(y)); }

std::uint8_t PackUint8(float y) {
    return SaturateToUint8(RoundHalfAway(static_cast<double>(y) + kEightBitZero));
}

void PackReference(SampleLayout layout, const float* left, const float* right, std::int64_t frames,
                   std::uint8_t* raw) {
    switch (layout) {
        case SampleLayout::Mono8:
            for (std::int64_t i = 0; i < frames; ++i) raw[i] = PackUint8(left[i]);
            break;
        case SampleLayout::Stereo8:
            for (std::int64_t i = 0; i < frames; ++i) {
                raw[2 * i] = PackUint8(left[i]);
                raw[2 * i + 1] = PackUint8(right[i]);
            }
            break;
        case SampleLayout::Mono16:
            for (std::int64_t i = 0; i < frames; ++i) WriteInt16(raw + 2 * i, PackInt16(left[i]));
            break;
        case SampleLayout::Stereo16:
            for (std::int64_t i = 0; i < frames; ++i) {
                WriteInt16(raw + 4 * i, PackInt16(left[i]));
                WriteInt16(raw + 4 * i + 2, PackInt16(right[i]));
            }
            break;
    }
}

}  // namespace

const ConversionKernels kReferenceKernels = {"reference", kBlockLimit, UnpackReference,
                                             FilterReference, PackReference};

}  // namespace zel
