#include "tests/support/canonical_header.h"

#include <limits>

namespace zel {

WavFormat FormatOf(const WavHeader& header) {
    using namespace wav_offset;
    WavFormat format;
    format.formatTag = header.U16(kFormatTag);
    format.channels = header.U16(kChannels);
    format.sampleRate = header.U32(kSampleRate);
    format.blockAlign = header.U16(kBlockAlign);
    format.bitsPerSample = header.U16(kBitsPerSample);
    format.dataLength = header.U32(kDataSize);
    return format;
}

bool HasCanonicalIdentifiers(const WavHeader& header) {
    using namespace wav_offset;
    return header.U32(kRiffId) == kRiffTag && header.U32(kWaveId) == kWaveTag &&
           header.U32(kFmtId) == kFmtTag && header.U32(kDataId) == kDataTag;
}

HeaderVerdict CheckHeader(const WavHeader& header) {
    if (!HasCanonicalIdentifiers(header)) return HeaderVerdict::kBadIdentifiers;
    const WavFormat format = FormatOf(header);
    if (format.formatTag != kPcmFormatTag) return HeaderVerdict::kNotPcm;
    if (format.channels != 1 && format.channels != 2) return HeaderVerdict::kUnsupportedChannels;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return HeaderVerdict::kUnsupportedBits;
    if (format.blockAlign == 0 || format.blockAlign != format.channels * format.bitsPerSample / 8)
        return HeaderVerdict::kBadBlockAlign;
    if (format.sampleRate == 0 ||
        format.sampleRate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return HeaderVerdict::kBadSampleRate;
    return HeaderVerdict::kAccepted;
}

}  // namespace zel
