#include "engine/wav/bext_loudness.h"

#include <algorithm>
#include <cmath>

#include "engine/base/byte_order.h"
#include "engine/wav/riff_chunk_ids.h"

namespace zel {
namespace {

// Byte offsets within the bext payload.
constexpr std::size_t kVersion = 346;
constexpr std::size_t kLoudnessValue = 412;
constexpr std::size_t kLoudnessRange = 414;
constexpr std::size_t kMaxTruePeakLevel = 416;
constexpr std::size_t kMaxMomentaryLoudness = 418;
constexpr std::size_t kMaxShortTermLoudness = 420;
constexpr std::size_t kFieldsEnd = 422;
constexpr std::uint16_t kLoudnessVersion = 2;
constexpr std::uint16_t kNotKnown = 0x7FFF;

std::uint16_t Hundredths(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value)) return kNotKnown;
    const long scaled = std::lround(std::clamp(*value * 100.0, -32767.0, 32766.0));
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled));
}

}  // namespace

void StampBextLoudness(std::vector<CarriedChunk>& chunks, const BextLoudness& loudness) {
    for (CarriedChunk& chunk : chunks) {
        if (chunk.id != chunk_id::kBext || !chunk.held || chunk.payload.size() < kFieldsEnd)
            continue;
        std::uint8_t* const b = chunk.payload.data();
        StoreLe16(b + kVersion, std::max(LoadU16(b + kVersion, false), kLoudnessVersion));
        StoreLe16(b + kLoudnessValue, Hundredths(loudness.integrated));
        StoreLe16(b + kMaxTruePeakLevel, Hundredths(loudness.truePeak));
        // Not measured here; what the input said describes another level.
        for (std::size_t field : {kLoudnessRange, kMaxMomentaryLoudness, kMaxShortTermLoudness})
            StoreLe16(b + field, kNotKnown);
    }
}

}  // namespace zel
