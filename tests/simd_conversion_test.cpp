// The SIMD builds through their file interface: the same files and messages as the
// reference, larger blocks, and samples within one step of the reference's.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "engine/codec/sample_encoding.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/standard/block_geometry.h"
#include "engine/resample/standard/conversion_kernels.h"
#include "engine/resample/standard/kernels/avx2_kernels.h"
#include "engine/wav/wav_header.h"
#include "tests/support/memory_conversion.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"
#include "tools/synthetic_wav.h"

namespace zel {

// The name ctest lists a layout under ("2ch16bit"); GoogleTest's own would dump its bytes.
// Outside the unnamed namespace, where argument-dependent lookup finds it.
static void PrintTo(const SignalFormat& format, std::ostream* os) {
    *os << format.channels << "ch" << format.bitsPerSample << "bit";
}

namespace {

struct Build {
    const char* name;
    const ConversionKernels* kernels;
};

// The SIMD builds this processor runs; AVX2 only where it has AVX2 and FMA.
std::vector<Build> SimdBuilds() {
    std::vector<Build> builds = {
        {"SSE", &kSseKernels},
        {"SSE2", &kSse2Kernels},
        {"SSE3", &kSse3Kernels},
        {"SSE4.1", &kSse41Kernels},
    };
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        builds.push_back({"AVX2", &kAvx2Kernels});
    return builds;
}

const SignalFormat kFormats[] = {{1, 8, 0}, {2, 8, 0}, {1, 16, 0}, {2, 16, 0}};

struct Output {
    ConversionResult result = -100;
    std::vector<std::uint8_t> bytes;
    std::vector<test::RecordedMessage> messages;

    std::uint32_t DataSize() const {
        return bytes.size() < kWavHeaderSize
                   ? 0
                   : bytes[40] | (bytes[41] << 8) | (bytes[42] << 16) | (bytes[43] << 24);
    }
    // Every sample as an integer, 8-bit ones unsigned.
    std::vector<std::int32_t> Samples(int bits) const {
        std::vector<std::int32_t> samples;
        for (std::size_t i = kWavHeaderSize; i + (bits / 8) <= bytes.size(); i += bits / 8)
            samples.push_back(bits == 8 ? bytes[i] : ReadInt16(&bytes[i]));
        return samples;
    }
};

class SimdConversion : public ::testing::Test {
  protected:
    std::filesystem::path WriteInput(const SignalFormat& format, const SampleValues& samples) {
        const auto path = dir_ / ("in" + std::to_string(++files_) + ".wav");
        EXPECT_TRUE(WriteFileBytes(path, MakeWavBytes(format, samples)));
        return path;
    }

    Output Run(const ConversionKernels& kernels, const std::filesystem::path& input,
               std::int32_t rate, std::int32_t speed) {
        const auto path = dir_ / ("out" + std::to_string(++files_) + ".wav");
        test::RecordingWindow window;
        Output out;
        out.result = ConvertFile(input, &window, path, {rate, SpeedFromPercent(speed)}, kernels).code;
        out.bytes = ReadFileBytes(path);
        out.messages = window.messages;
        return out;
    }

    test::TempDir dir_;
    int files_ = 0;
};

// A loud mixture (two sines at 0.5 and 0.45 of full scale), or a full-scale square wave
// whose filtered edges overshoot the sample range.
SampleValues Signal(const SignalFormat& format, std::int64_t frames, bool square) {
    const std::int32_t top = format.bitsPerSample == 16 ? 32767 : 255;
    const std::int32_t bottom = format.bitsPerSample == 16 ? -32768 : 0;
    if (square) {
        SampleValues samples;
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < format.channels; ++c)
                samples.push_back(((i + 37 * c) / 41) % 2 ? top : bottom);
        return samples;
    }
    SampleValues a = SineSignal(format, frames, 441.0, 0.5);
    const SampleValues b = SineSignal(format, frames, 3001.0, 0.45);
    const std::int32_t zero = format.bitsPerSample == 16 ? 0 : 128;
    for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i] - zero;
    return a;
}

struct Case {
    std::uint32_t inputRate;
    std::int32_t targetRate;
    std::int32_t speed;
};

// Two or more SIMD blocks each, with final counts that are not multiples of any width.
constexpr Case kCases[] = {
    {44100, 48000, 100}, {48000, 44100, 100}, {8000, 96000, 100},
    {44100, 48000, 93},  {96000, 8000, 100},  {22050, 22050, 200},
};
constexpr std::int64_t kFrames = 70001;

// One test per sample layout, so each stays short on a busy machine.
class SimdConversionPerLayout : public SimdConversion,
                                public ::testing::WithParamInterface<SignalFormat> {};

TEST_P(SimdConversionPerLayout, EveryBuildStaysWithinOneStepOfTheReference) {
    // The reference's kernels cut at the SIMD block size, so that the files have the same
    // blocks and any difference comes from the kernels alone.
    ConversionKernels wideReference = kReferenceKernels;
    wideReference.blockLimit = kSimdBlockLimit;
    SignalFormat format = GetParam();
    {
        for (const Case& c : kCases) {
            for (bool square : {false, true}) {
                format.sampleRate = c.inputRate;
                const auto input = WriteInput(format, Signal(format, kFrames, square));
                const Output expected = Run(wideReference, input, c.targetRate, c.speed);
                ASSERT_EQ(expected.result, kCompleted);
                const std::vector<std::int32_t> reference = expected.Samples(format.bitsPerSample);
                for (const Build& build : SimdBuilds()) {
                    const std::string what =
                        std::string(build.name) + " " + std::to_string(format.channels) + "ch " +
                        std::to_string(format.bitsPerSample) + "-bit " +
                        std::to_string(c.inputRate) + "->" + std::to_string(c.targetRate) + " at " +
                        std::to_string(c.speed) + (square ? " square" : " sines");
                    const Output got = Run(*build.kernels, input, c.targetRate, c.speed);
                    ASSERT_EQ(got.result, kCompleted) << what;
                    ASSERT_EQ(got.bytes.size(), expected.bytes.size()) << what;
                    ASSERT_EQ(got.DataSize(), got.bytes.size() - kWavHeaderSize) << what;
                    ASSERT_EQ(got.messages, expected.messages) << what;
                    const std::vector<std::int32_t> samples = got.Samples(format.bitsPerSample);
                    int differing = 0;
                    for (std::size_t i = 0; i < samples.size(); ++i) {
                        ASSERT_LE(std::abs(samples[i] - reference[i]), 1)
                            << what << " sample " << i;
                        differing += samples[i] != reference[i];
                    }
                    // Off by one only where the sum's order or the tie rule tipped it.
                    EXPECT_LT(differing, static_cast<int>(samples.size() / 100)) << what;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SimdConversionPerLayout, ::testing::ValuesIn(kFormats));

// 44100 Hz to 48000 Hz at speed 93 reduces to P = 13671, Q = 16000: the SIMD blocks hold
// f = 4 x 13671 = 54684 frames and yield g = 64000 outputs, the reference's 13671 and 16000.
TEST_F(SimdConversion, Speed93CutsBlocksOf54684FramesInEveryBuild) {
    const SignalFormat stereo{2, 16, 44100};
    const SignalFormat mono{1, 8, 44100};
    // 2f + 25 frames: a first block of f + 25 and a final block of f. One more frame needs
    // a third block.
    for (const SignalFormat& format : {stereo, mono}) {
        const auto twoBlocks = WriteInput(format, Signal(format, 109393, false));
        const auto threeBlocks = WriteInput(format, Signal(format, 109394, false));
        Output sse;
        for (const Build& build : SimdBuilds()) {
            const Output two = Run(*build.kernels, twoBlocks, 48000, 93);
            ASSERT_EQ(two.result, kCompleted) << build.name;
            ASSERT_EQ(two.messages.size(), 2u) << build.name;
            EXPECT_EQ(two.messages[0].wParam, 50u) << build.name;
            EXPECT_EQ(two.messages[1].wParam, 100u) << build.name;
            // 2g outputs plus ceil(25 x 16000 / 13671) = 30 for the look-ahead.
            EXPECT_EQ(two.DataSize(), 128030u * format.channels * format.bitsPerSample / 8)
                << build.name;
            EXPECT_EQ(two.bytes.size(), kWavHeaderSize + two.DataSize()) << build.name;
            EXPECT_EQ(Run(*build.kernels, threeBlocks, 48000, 93).messages.size(), 3u)
                << build.name;
            if (format.channels == 2) {
                // Stereo16 of the SSE build sums and rounds as the SSE2 build does.
                if (build.kernels == &kSseKernels) sse = two;
                if (build.kernels == &kSse2Kernels) {
                    EXPECT_TRUE(two.bytes == sse.bytes);
                }
            }
        }
        EXPECT_GT(Run(kReferenceKernels, twoBlocks, 48000, 93).messages.size(), 4u);
    }
}

TEST_F(SimdConversion, Speed100CutsBlocksOf65415FramesInEveryBuild) {
    const SignalFormat format{2, 16, 44100};
    // 2f + 25 frames with f = 445 x 147 = 65415.
    const auto input = WriteInput(format, Signal(format, 130855, false));
    for (const Build& build : SimdBuilds()) {
        const Output out = Run(*build.kernels, input, 48000, 100);
        ASSERT_EQ(out.result, kCompleted) << build.name;
        EXPECT_EQ(out.messages.size(), 2u) << build.name;
        // 2 x 71200 outputs plus ceil(25 x 160 / 147) = 28.
        EXPECT_EQ(out.DataSize(), 142428u * 4) << build.name;
        EXPECT_EQ(out.bytes.size(), kWavHeaderSize + out.DataSize()) << build.name;
    }
}

TEST_F(SimdConversion, TheInMemoryEntryWritesWhatTheFileDriverWrites) {
    const SignalFormat format{2, 16, 44100};
    const std::vector<std::uint8_t> wav = MakeWavBytes(format, Signal(format, 70001, false));
    const auto input = dir_ / "memory.wav";
    ASSERT_TRUE(WriteFileBytes(input, wav));
    WavHeader header;
    std::copy_n(wav.begin(), kWavHeaderSize, header.bytes.begin());
    const std::span<const std::uint8_t> data(wav.data() + kWavHeaderSize,
                                             wav.size() - kWavHeaderSize);
    for (const Build& build : SimdBuilds()) {
        const Output file = Run(*build.kernels, input, 48000, 100);
        test::RecordingWindow window;
        const MemoryConversion memory =
            ConvertSamples(*build.kernels, FormatOf(header), data, 48000, 100, &window);
        ASSERT_EQ(memory.result, kCompleted) << build.name;
        EXPECT_TRUE(std::equal(memory.data.begin(), memory.data.end(),
                               file.bytes.begin() + kWavHeaderSize, file.bytes.end()))
            << build.name;
        EXPECT_EQ(window.messages, file.messages) << build.name;
    }
}

TEST(SimdLevels, ALevelWithoutABuildRunsTheReference) {
    for (SimdLevel other : {-1, 7, 8, 1000})
        EXPECT_EQ(&BuildForLevel(other).kernels, &kReferenceKernels) << other;
}

}  // namespace

}  // namespace zel
