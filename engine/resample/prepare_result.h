#pragma once
// How a resampler's preparation for a ratio ended: ready, out of memory, or refused
// because the ratio of the rates (with the speed) would need a filter or blocks larger
// than the design allows, or because the tempo cannot be changed (in this build, or with
// so many channels).

namespace zel {

enum class PrepareResult {
    kReady,
    kOutOfMemory,
    kRatioTooLarge,
    kTempoTooManyChannels
};

}  // namespace zel
