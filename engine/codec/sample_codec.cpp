#include "engine/codec/sample_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/base/byte_order.h"
#include "engine/codec/g711_codec.h"
#include "engine/codec/int16_planes.h"
#include "engine/codec/signed16_encode_kernels.h"
#include "engine/codec/signed16_quantizer.h"

namespace zel {
namespace {

constexpr float kEightBitZero = 128.0f;
constexpr double kG711Scale = 32768.0;

std::uint32_t LoadU24(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2]
                     : p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
}

void StoreBytes(std::uint8_t* p, std::uint64_t value, int bytes, bool bigEndian) {
    for (int i = 0; i < bytes; ++i)
        p[bigEndian ? bytes - 1 - i : i] = static_cast<std::uint8_t>(value >> (8 * i));
}

float InverseFullScale(int containerBits) { return 1.0f / std::ldexp(1.0f, containerBits - 1); }

// Calls sample(c, frame, bytes) for every sample, in file order.
template <typename SampleFn>
void ForEachSample(const WavSampleFormat& format, std::size_t frames, SampleFn&& sample) {
    const std::size_t bytesPerSample = format.containerBits / 8;
    std::size_t at = 0;
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < format.channels; ++c, at += bytesPerSample) sample(c, i, at);
}

// A float input's sample as the filter takes it (see kLargestDecodedMagnitude).
float SafeFloatSample(double v, std::uint64_t& nonFinite) {
    if (!std::isfinite(v)) {
        ++nonFinite;
        return 0.0f;
    }
    return static_cast<float>(std::clamp(v, -kLargestDecodedMagnitude, kLargestDecodedMagnitude));
}

// `out(c, i)` is the float that receives channel c of frame i. Returns the NaN and
// infinite samples taken as silence.
template <typename Out>
std::uint64_t DecodeWith(const WavSampleFormat& f, const std::uint8_t* __restrict src,
                         std::size_t frames, Out out) {
    std::uint64_t nonFinite = 0;
    const bool be = f.bigEndian;
    const float scale = InverseFullScale(f.containerBits);
    switch (f.encoding) {
        case SampleEncoding::kUnsigned8:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                out(c, i) = (static_cast<float>(src[at]) - kEightBitZero) * scale;
            });
            break;
        case SampleEncoding::kSigned16:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                out(c, i) =
                    static_cast<float>(static_cast<std::int16_t>(LoadU16(src + at, be))) * scale;
            });
            break;
        case SampleEncoding::kSigned24:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                const auto v = static_cast<std::int32_t>(LoadU24(src + at, be) << 8) >> 8;
                out(c, i) = static_cast<float>(v) * scale;
            });
            break;
        case SampleEncoding::kSigned32:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                out(c, i) =
                    static_cast<float>(static_cast<std::int32_t>(LoadU32(src + at, be))) * scale;
            });
            break;
        case SampleEncoding::kFloat32:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                out(c, i) = SafeFloatSample(std::bit_cast<float>(LoadU32(src + at, be)), nonFinite);
            });
            break;
        case SampleEncoding::kFloat64:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                out(c, i) = SafeFloatSample(std::bit_cast<double>(LoadU64(src + at, be)), nonFinite);
            });
            break;
        case SampleEncoding::kMuLaw:
        case SampleEncoding::kALaw: {
            const bool mu = f.encoding == SampleEncoding::kMuLaw;
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                const std::int16_t linear = mu ? MuLawToLinear(src[at]) : ALawToLinear(src[at]);
                out(c, i) = static_cast<float>(linear / kG711Scale);
            });
            break;
        }
    }
    return nonFinite;
}

// Rounds to the nearest step of a `bits`-bit signed value (ties away from zero) and
// saturates, counting saturations. NaN becomes silence.
class Quantizer {
  public:
    explicit Quantizer(int bits)
        : scale_(std::ldexp(1.0, bits - 1)), low_(-scale_), high_(scale_ - 1.0) {}

    std::int64_t operator()(float x) {
        const double v = static_cast<double>(x) * scale_;
        if (std::isnan(v)) return 0;
        // Half a step outwards, then truncation: the nearest value, ties away from zero.
        // Exact in double for every float times a power of two, and cheaper than a
        // library round.
        const double shifted = v < 0.0 ? v - 0.5 : v + 0.5;
        if (shifted <= low_ - 1.0) {
            ++clipped;
            return static_cast<std::int64_t>(low_);
        }
        if (shifted >= high_ + 1.0) {
            ++clipped;
            return static_cast<std::int64_t>(high_);
        }
        return static_cast<std::int64_t>(shifted);
    }

    std::uint64_t clipped = 0;

  private:
    double scale_, low_, high_;
};

// `in(c, i)` is the float for channel c of frame i.
template <typename In>
std::uint64_t EncodeWith(const WavSampleFormat& f, In in, std::size_t frames,
                         std::uint8_t* __restrict dst) {
    const bool be = f.bigEndian;
    const int bytes = f.containerBits / 8;
    switch (f.encoding) {
        case SampleEncoding::kFloat32:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                StoreBytes(dst + at, std::bit_cast<std::uint32_t>(in(c, i)), bytes, be);
            });
            return 0;
        case SampleEncoding::kFloat64:
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                const double v = in(c, i);
                StoreBytes(dst + at, std::bit_cast<std::uint64_t>(v), bytes, be);
            });
            return 0;
        case SampleEncoding::kMuLaw:
        case SampleEncoding::kALaw: {
            const bool mu = f.encoding == SampleEncoding::kMuLaw;
            Quantizer quantize(16);
            ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                const auto linear = static_cast<std::int16_t>(quantize(in(c, i)));
                dst[at] = mu ? LinearToMuLaw(linear) : LinearToALaw(linear);
            });
            return quantize.clipped;
        }
        default: {
            Quantizer quantize(f.validBits);
            const int shift = f.containerBits - f.validBits;
            const std::int64_t offset = f.encoding == SampleEncoding::kUnsigned8 ? 128 : 0;
            // The width as a constant, so the byte stores unroll.
            const auto encodeAll = [&]<int kBytes>() {
                ForEachSample(f, frames, [&](std::size_t c, std::size_t i, std::size_t at) {
                    const std::int64_t q =
                        quantize(in(c, i)) * (std::int64_t{1} << shift) + offset;
                    StoreBytes(dst + at, static_cast<std::uint64_t>(q), kBytes, be);
                });
            };
            switch (bytes) {
                case 1: encodeAll.template operator()<1>(); break;
                case 2: encodeAll.template operator()<2>(); break;
                case 3: encodeAll.template operator()<3>(); break;
                default: encodeAll.template operator()<4>(); break;
            }
            return quantize.clipped;
        }
    }
}

// The common case, 16-bit little-endian planes, as plain loops the compiler vectorises:
// the same values and clip counts as the general path, at a fraction of its cost.
bool IsPlainSigned16(const WavSampleFormat& f) {
    return f.encoding == SampleEncoding::kSigned16 && !f.bigEndian && f.containerBits == 16;
}

std::uint64_t EncodeSigned16Mono(const float* __restrict in, std::size_t frames,
                                 std::uint8_t* __restrict dst) {
    std::uint32_t clipped = 0;  // frames per call stay far below 2^31
    for (std::size_t i = 0; i < frames; ++i) {
        const std::int16_t v = QuantizeSigned16(in[i], clipped);
        std::memcpy(dst + 2 * i, &v, sizeof v);
    }
    return clipped;
}

// Both channels of a frame in one step, stored as one 32-bit word: the interleaving store
// vectorises, where a pass per channel would write every other sample.
std::uint64_t EncodeSigned16Stereo(const float* __restrict left, const float* __restrict right,
                                   std::size_t frames, std::uint8_t* __restrict dst) {
    std::uint32_t clipped = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto l = static_cast<std::uint16_t>(QuantizeSigned16(left[i], clipped));
        const auto r = static_cast<std::uint16_t>(QuantizeSigned16(right[i], clipped));
        const std::uint32_t frame = l | (static_cast<std::uint32_t>(r) << 16);
        std::memcpy(dst + 4 * i, &frame, sizeof frame);
    }
    return clipped;
}

}  // namespace

const Signed16EncodeKernels kPortableSigned16Encode{"portable", EncodeSigned16Mono,
                                                    EncodeSigned16Stereo};

std::uint64_t DecodeInterleaved(const WavSampleFormat& format,
                                const std::uint8_t* __restrict source, std::size_t frames,
                                float* __restrict target) {
    const std::size_t n = format.channels;
    return DecodeWith(format, source, frames,
               [=](std::size_t c, std::size_t i) -> float& { return target[i * n + c]; });
}

std::uint64_t DecodePlanar(const WavSampleFormat& format, const std::uint8_t* __restrict source,
                           std::size_t frames, float* const* planes) {
    if (IsPlainSigned16(format)) {
        SplitInt16(source, static_cast<int>(format.channels), frames, 1.0f / kSigned16Scale,
                   planes);
        return 0;
    }
    return DecodeWith(format, source, frames,
               [=](std::size_t c, std::size_t i) -> float& { return planes[c][i]; });
}

std::uint64_t EncodeInterleaved(const WavSampleFormat& format, const float* __restrict source,
                                std::size_t frames, std::uint8_t* __restrict target) {
    const std::size_t n = format.channels;
    return EncodeWith(
        format, [=](std::size_t c, std::size_t i) { return source[i * n + c]; }, frames, target);
}

std::uint64_t EncodePlanar(const WavSampleFormat& format, const float* const* planes,
                           std::size_t frames, std::uint8_t* __restrict target,
                           const Signed16EncodeKernels& signed16) {
    const bool fullSteps = format.validBits == format.containerBits;
    if (IsPlainSigned16(format) && fullSteps && format.channels == 1)
        return signed16.mono(planes[0], frames, target);
    if (IsPlainSigned16(format) && fullSteps && format.channels == 2)
        return signed16.stereo(planes[0], planes[1], frames, target);
    return EncodeWith(
        format, [=](std::size_t c, std::size_t i) { return planes[c][i]; }, frames, target);
}

}  // namespace zel
