#include "engine/codec/output_samples.h"

namespace zel {
namespace {

struct DepthEncoding {
    SampleEncoding encoding;
    std::uint16_t bits;
};

DepthEncoding EncodingOf(OutputDepth depth) {
    switch (depth) {
        case OutputDepth::kInt8:
            return {SampleEncoding::kUnsigned8, 8};
        case OutputDepth::kInt24:
            return {SampleEncoding::kSigned24, 24};
        case OutputDepth::kInt32:
            return {SampleEncoding::kSigned32, 32};
        case OutputDepth::kFloat32:
            return {SampleEncoding::kFloat32, 32};
        case OutputDepth::kFloat64:
            return {SampleEncoding::kFloat64, 64};
        default:
            return {SampleEncoding::kSigned16, 16};
    }
}

}  // namespace

WavSampleFormat WithDepth(const WavSampleFormat& input, OutputDepth depth) {
    if (depth == OutputDepth::kSame) return input;
    const DepthEncoding chosen = EncodingOf(depth);
    WavSampleFormat output = input;
    output.encoding = chosen.encoding;
    output.containerBits = output.validBits = chosen.bits;
    output.blockAlign = static_cast<std::uint16_t>(input.channels * chosen.bits / 8);
    return output;
}

}  // namespace zel
