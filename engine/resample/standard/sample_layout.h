#pragma once
// The four sample layouts the standard kernels take: 8-bit unsigned or 16-bit signed
// samples, one or two channels, unpacked with the values the file stores.

#include <cstdint>

namespace zel {

enum class SampleLayout : std::int32_t { Mono8 = 1, Stereo8 = 2, Mono16 = 4, Stereo16 = 8 };

// Decided by two tests only: two channels, and 16 bits.
inline SampleLayout LayoutFor(int channels, int bitsPerSample) {
    const bool stereo = channels == 2;
    const bool wide = bitsPerSample == 16;
    if (stereo) return wide ? SampleLayout::Stereo16 : SampleLayout::Stereo8;
    return wide ? SampleLayout::Mono16 : SampleLayout::Mono8;
}

inline int ChannelsOf(SampleLayout layout) {
    return (layout == SampleLayout::Stereo8 || layout == SampleLayout::Stereo16) ? 2 : 1;
}

// Bytes per frame.
inline int BlockAlignOf(SampleLayout layout) {
    const bool wide = layout == SampleLayout::Mono16 || layout == SampleLayout::Stereo16;
    return ChannelsOf(layout) * (wide ? 2 : 1);
}

}  // namespace zel
