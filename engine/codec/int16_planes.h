#pragma once
// 16-bit interleaved frames (little-endian, as stored and as held in memory here) into
// float planes, each sample times `scale`. With the channel count a constant (Channels 1
// or 2; 0 takes `channels` as given) the loops vectorise; SplitInt16 picks the constant.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zel {

template <int Channels>
void SplitInt16Frames(const std::uint8_t* __restrict bytes, int channels, std::size_t frames,
                      float scale, float* const* planes) {
    const std::size_t n = static_cast<std::size_t>(Channels > 0 ? Channels : channels);
    for (std::size_t c = 0; c < n; ++c) {
        float* __restrict out = planes[c];
        for (std::size_t i = 0; i < frames; ++i) {
            std::int16_t v;
            std::memcpy(&v, bytes + 2 * (i * n + c), sizeof v);
            out[i] = static_cast<float>(v) * scale;
        }
    }
}

inline void SplitInt16(const std::uint8_t* bytes, int channels, std::size_t frames, float scale,
                       float* const* planes) {
    if (channels == 1) return SplitInt16Frames<1>(bytes, channels, frames, scale, planes);
    if (channels == 2) return SplitInt16Frames<2>(bytes, channels, frames, scale, planes);
    SplitInt16Frames<0>(bytes, channels, frames, scale, planes);
}

}  // namespace zel
