#include "engine/convert/carried_tags.h"

#include <optional>
#include <utility>

#include "engine/resample/conversion_ratio.h"
#include "engine/wav/info_tags.h"
#include "engine/wav/marker_chunks.h"

namespace zel {

FrameRatio TimelineRatio(std::uint32_t inputRate, const ConversionSettings& settings) {
    const ConversionRatio ratio =
        ReducedRatio(inputRate, settings.targetRate, settings.speed);
    return {static_cast<std::uint64_t>(ratio.Q), static_cast<std::uint64_t>(ratio.P)};
}

void DescribeFromWav(SoundFileWriter& writer, RandomAccessBytes& input, const WavLayout& layout,
                     const ConversionSettings& settings) {
    if (settings.stripMetadata) return;
    SoundMarkers markers = ReadCueMarkers(input, layout);
    MoveMarkers(markers, TimelineRatio(layout.format.sampleRate, settings));
    writer.Describe(ReadInfoTags(input, layout), markers);
}

void DescribeFromSoundFile(SoundFileWriter& writer, const SoundFileReader& reader,
                           const ConversionSettings& settings) {
    if (settings.stripMetadata) return;
    SoundMarkers markers = reader.Markers();
    MoveMarkers(markers, TimelineRatio(reader.Info().read.sampleRate, settings));
    writer.Describe(reader.Tags(), markers);
}

CarriedMetadata WavChunksFromSoundFile(const SoundFileReader& reader,
                                       const ConversionSettings& settings) {
    CarriedMetadata carried;
    if (settings.stripMetadata) return carried;
    if (std::optional<CarriedChunk> info = InfoListChunk(reader.Tags()))
        carried.chunks.push_back(std::move(*info));
    SoundMarkers markers = reader.Markers();
    MoveMarkers(markers, TimelineRatio(reader.Info().read.sampleRate, settings));
    for (CarriedChunk& chunk :
         MarkerChunks(markers, static_cast<std::uint32_t>(settings.targetRate)))
        carried.chunks.push_back(std::move(chunk));
    return carried;
}

}  // namespace zel
