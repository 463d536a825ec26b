#include "engine/convert/output_frame_count.h"

#include <limits>

#include "engine/resample/conversion_ratio.h"
#include "engine/resample/hq/high_quality_resampler.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {
namespace {

using Wide = __int128;

}  // namespace

std::uint64_t OutputFrameCount(std::uint64_t inputFrames, std::uint32_t inputRate,
                               const ConversionSettings& settings, std::int64_t blockLimit) {
    if (!settings.IsConvertible() || inputRate == 0 || blockLimit < 1) return 0;
    const ConversionRatio ratio =
        ReducedRatio(inputRate, settings.targetRate, settings.ResamplingSpeed());
    const Wide p = ratio.P;
    const Wide q = ratio.Q;
    // A tempo stage hands the rate conversion round(input frames / speed) frames.
    const Wide frames =
        settings.ChangesTempo()
            ? RoundedStreamOutputs<Wide>(inputFrames, settings.speed.numerator,
                                         settings.speed.denominator)
            : Wide{inputFrames};
    const bool passesThrough = settings.ChangesTempo() && p == q;
    const Wide count = settings.quality != ConversionQuality::kStandard || passesThrough
                           ? RoundedStreamOutputs(frames, p, q)
                           : StreamOutputs(frames, p, q, Wide{blockLimit});
    constexpr Wide kLargest = std::numeric_limits<std::uint64_t>::max();
    return count > kLargest ? std::numeric_limits<std::uint64_t>::max()
                            : static_cast<std::uint64_t>(count);
}

}  // namespace zel
