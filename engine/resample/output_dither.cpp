#include "engine/resample/output_dither.h"

#include <cmath>

namespace zel {
namespace {

// Float samples have a 24-bit mantissa and an exponent: finer than any integer output.
constexpr int kFloatResolutionBits = 64;
constexpr int kG711ResolutionBits = 16;
// Outputs this coarse get dither whenever it is asked for, whatever the input.
constexpr int kCoarseOutputBits = 16;
// Up to this depth every step within full scale is exactly a float; deeper steps are finer
// than the float samples the filters deliver.
constexpr int kDeepestShapedBits = 24;

bool IsIntegerPcm(const WavSampleFormat& f) {
    return !IsFloatEncoding(f.encoding) && !IsG711Encoding(f.encoding);
}

}  // namespace

int ResolutionBits(const WavSampleFormat& format) {
    if (IsFloatEncoding(format.encoding)) return kFloatResolutionBits;
    if (IsG711Encoding(format.encoding)) return kG711ResolutionBits;
    return format.validBits;
}

OutputDither DitherFor(const ConversionSettings& settings, const WavSampleFormat& input,
                       const WavSampleFormat& output) {
    if (!IsIntegerPcm(output)) return {};
    const bool fewerBits = ResolutionBits(output) < ResolutionBits(input);
    bool dithered = false;
    switch (settings.dither) {
        case DitherChoice::kNone:
            break;
        case DitherChoice::kAuto:
            dithered = fewerBits;
            break;
        case DitherChoice::kTpdf:
        case DitherChoice::kShaped:
            dithered = fewerBits || output.validBits <= kCoarseOutputBits;
            break;
    }
    if (!dithered) return {};
    return {std::ldexp(1.0f, 1 - static_cast<int>(output.validBits)),
            settings.dither == DitherChoice::kShaped && output.validBits <= kDeepestShapedBits};
}

float DitherStepFor(const ConversionSettings& settings, const WavSampleFormat& input,
                    const WavSampleFormat& output) {
    return DitherFor(settings, input, output).step;
}

}  // namespace zel
