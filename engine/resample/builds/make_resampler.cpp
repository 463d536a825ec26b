#include "engine/resample/builds/make_resampler.h"

#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/codec_resampler.h"
#include "engine/resample/hq/best_quality_planar_resampler.h"
#include "engine/resample/hq/high_quality_planar_resampler.h"
#include "engine/resample/output_dither.h"
#include "engine/resample/pass_through_planar_resampler.h"
#include "engine/resample/standard/integer_block_resampler.h"
#include "engine/resample/standard/polyphase_resampler.h"
#include "engine/resample/tempo/tempo_planar_resampler.h"

namespace zel {
namespace {

PreparedResampler Ready(std::unique_ptr<Resampler> resampler) {
    return {PrepareResult::kReady, std::move(resampler)};
}

PreparedResampler MakeCodecResampler(const ResamplerSetup& setup,
                                     std::unique_ptr<PlanarResampler> planes,
                                     const Signed16EncodeKernels& encode) {
    if (setup.settings.ChangesTempo()) {
        // The rate conversion (at the normal speed) behind the tempo stage.
        auto tempo = std::make_unique<TempoPlanarResampler>(
            std::move(planes), setup.settings.speed, setup.input.channels,
            setup.input.sampleRate);
        const PrepareResult prepared = tempo->Prepare();
        if (prepared != PrepareResult::kReady) return {prepared, nullptr};
        planes = std::move(tempo);
    }
    auto resampler = std::make_unique<CodecResampler>(
        setup, std::move(planes), DitherFor(setup.settings, setup.input, setup.output), encode);
    if (!resampler->Prepare()) return {};
    return Ready(std::move(resampler));
}

PreparedResampler MakeHighQuality(const ResamplerSetup& setup, const HighQualityKernels& kernels,
                                  const Signed16EncodeKernels& encode) {
    auto planes = std::make_unique<HighQualityPlanarResampler>(kernels);
    // The chain refuses no ratio: it halves the rate until its filter fits.
    if (!planes->Prepare(static_cast<std::int32_t>(setup.input.sampleRate),
                         setup.settings.targetRate, setup.settings.ResamplingSpeed(),
                         setup.input.channels))
        return {};
    return MakeCodecResampler(setup, std::move(planes), encode);
}

PreparedResampler MakeBestQuality(const ResamplerSetup& setup, const BestQualityKernels& kernels,
                                  const Signed16EncodeKernels& encode) {
    auto planes = std::make_unique<BestQualityPlanarResampler>(kernels);
    if (!planes->Prepare(static_cast<std::int32_t>(setup.input.sampleRate),
                         setup.settings.targetRate, setup.settings.ResamplingSpeed(),
                         setup.input.channels))
        return {};
    return MakeCodecResampler(setup, std::move(planes), encode);
}

PreparedResampler MakeStandard(const ResamplerSetup& setup, const ConversionKernels& kernels,
                               const Signed16EncodeKernels& encode) {
    if (IntegerBlockResampler::Takes(setup) && !setup.settings.ChangesTempo()) {
        auto resampler = std::make_unique<IntegerBlockResampler>(setup, kernels);
        const PrepareResult prepared = resampler->Prepare();
        if (prepared != PrepareResult::kReady) return {prepared, nullptr};
        return Ready(std::move(resampler));
    }
    auto planes = std::make_unique<PolyphaseResampler>(kernels);
    const PrepareResult prepared =
        planes->Prepare(setup.input.sampleRate, setup.settings.targetRate,
                        setup.settings.ResamplingSpeed(), setup.input.channels);
    if (prepared != PrepareResult::kReady) return {prepared, nullptr};
    return MakeCodecResampler(setup, std::move(planes), encode);
}

}  // namespace

PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& standard,
                                const HighQualityKernels& highQuality,
                                const BestQualityKernels& bestQuality) {
    const Signed16EncodeKernels& encode = BuildWithKernels(standard).signed16Encode;
    if (setup.settings.ChangesTempo() &&
        setup.input.sampleRate == static_cast<std::uint32_t>(setup.settings.targetRate)) {
        // Only the tempo changes: no filter need touch the stretched frames.
        auto planes = std::make_unique<PassThroughPlanarResampler>();
        if (!planes->Prepare(setup.input.channels)) return {};
        return MakeCodecResampler(setup, std::move(planes), encode);
    }
    switch (setup.settings.quality) {
        case ConversionQuality::kHigh:
            return MakeHighQuality(setup, highQuality, encode);
        case ConversionQuality::kBest:
            return MakeBestQuality(setup, bestQuality, encode);
        case ConversionQuality::kStandard:
            break;
    }
    return MakeStandard(setup, standard, encode);
}

PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& standard,
                                const HighQualityKernels& highQuality) {
    return MakeResampler(setup, standard, highQuality, BuildWithKernels(standard).bestQualityKernels);
}

PreparedResampler MakeResampler(const ResamplerSetup& setup, const ConversionKernels& build) {
    return MakeResampler(setup, build, BuildWithKernels(build).highQualityKernels);
}

}  // namespace zel
