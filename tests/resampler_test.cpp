// The resampler interface every caller drives: for each path the factory chooses (the
// build's integer kernels, the standard filter through the codec, the high-quality chain),
// the delay reports the look-ahead held back mid-stream and nothing once flushed, and the
// stream's length is the one the output-length rule (and so the skip check) expects.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/convert/output_frame_count.h"
#include "engine/resample/builds/make_resampler.h"
#include "tests/support/high_quality_conversion.h"

namespace zel {
namespace {

struct Row {
    const char* path;
    SampleEncoding encoding;
    int channels;
    std::int32_t inputRate;
    std::int32_t targetRate;
    std::int32_t speed;
    ConversionQuality quality;
};

WavSampleFormat FormatFor(const Row& row, std::int32_t rate) {
    WavSampleFormat f = Int16Format(row.channels, rate);
    if (row.encoding == SampleEncoding::kSigned24) {
        f.encoding = row.encoding;
        f.containerBits = f.validBits = 24;
        f.blockAlign = static_cast<std::uint16_t>(3 * row.channels);
    }
    return f;
}

TEST(Resampler, DelayIsTheLookAheadHeldBackAndTheLengthIsTheRulesOwn) {
    const Row rows[] = {
        {"integer kernels", SampleEncoding::kSigned16, 2, 44100, 48000, 100, ConversionQuality::kStandard},
        {"codec, standard", SampleEncoding::kSigned24, 3, 48000, 22050, 150, ConversionQuality::kStandard},
        {"high quality", SampleEncoding::kSigned16, 1, 96000, 44100, 75, ConversionQuality::kHigh},
    };
    for (const Row& row : rows) {
        const ConversionSettings settings{row.targetRate, SpeedFromPercent(row.speed), row.quality};
        const ResamplerSetup setup{FormatFor(row, row.inputRate), FormatFor(row, row.targetRate),
                                   settings};
        const PreparedResampler prepared = MakeResampler(setup, kReferenceKernels);
        ASSERT_EQ(prepared.result, PrepareResult::kReady) << row.path;
        Resampler& resampler = *prepared.resampler;
        const std::int64_t total = 3 * resampler.NextBlockFrames(INT64_MAX) + 1234;
        const std::vector<std::uint8_t> silence(
            static_cast<std::size_t>(resampler.NextBlockFrames(total)) * setup.input.blockAlign);

        std::int64_t remaining = total;
        std::uint64_t pulledBytes = 0;
        bool sawLookAhead = false;
        while (remaining > 0) {
            const std::int64_t frames = resampler.NextBlockFrames(remaining);
            resampler.Push(silence.data(), frames, frames == remaining);
            pulledBytes += resampler.Pull().size();
            remaining -= frames;
            if (remaining > 0) sawLookAhead = sawLookAhead || resampler.Delay() > 0;
        }
        while (resampler.Flush() > 0) pulledBytes += resampler.Pull().size();
        EXPECT_TRUE(sawLookAhead) << row.path;
        EXPECT_EQ(resampler.Delay(), 0) << row.path;
        EXPECT_EQ(pulledBytes, static_cast<std::uint64_t>(resampler.FramesProduced()) *
                                   setup.output.blockAlign)
            << row.path;
        EXPECT_EQ(static_cast<std::uint64_t>(resampler.FramesProduced()),
                  OutputFrameCount(static_cast<std::uint64_t>(total), row.inputRate, settings,
                                   kReferenceKernels.blockLimit))
            << row.path;
    }
}

}  // namespace
}  // namespace zel
