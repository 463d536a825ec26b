// Encoding on the writer thread: the bytes, the saturations counted and the result are those
// of encoding in the block loop itself, whatever the dither (drawn per block), and a write
// that fails behind the loop, or a cancel, ends the stream as it would without the thread.

#include "engine/convert/encoding_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <ostream>
#include <vector>

#include "engine/codec/sample_codec.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/stream_conversion.h"

namespace zel {
namespace {

class BytesSource : public ByteSource {
  public:
    explicit BytesSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool ReadExactly(std::uint8_t* buffer, std::size_t count) override {
        if (count > bytes_.size() - offset_) return false;
        std::memcpy(buffer, bytes_.data() + offset_, count);
        offset_ += count;
        return true;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t offset_ = 0;
};

// Keeps what it is given; refuses every write once `room` bytes would be passed.
class LimitedSink : public ByteSink {
  public:
    explicit LimitedSink(std::optional<std::size_t> room) : room_(room) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        if (room_ && bytes.size() + count > *room_) return false;
        bytes.insert(bytes.end(), buffer, buffer + count);
        return true;
    }
    std::vector<std::uint8_t> bytes;

  private:
    std::optional<std::size_t> room_;
};

// Stops the stream after `blocks` blocks.
class StopAfter : public ConversionProgress {
  public:
    explicit StopAfter(int blocks) : left_(blocks) {}
    bool Continue(std::int64_t) override { return --left_ > 0; }

  private:
    int left_;
};

WavSampleFormat Format(SampleEncoding encoding, std::uint16_t channels, std::uint32_t rate) {
    WavSampleFormat f;
    f.encoding = encoding;
    f.channels = channels;
    f.sampleRate = rate;
    f.containerBits = f.validBits = ContainerBitsOf(encoding);
    f.blockAlign = static_cast<std::uint16_t>(channels * f.containerBits / 8);
    return f;
}

// A loud two-tone signal (peaks past full scale once a gain is added) in `format`.
std::vector<std::uint8_t> Signal(const WavSampleFormat& format, std::int64_t frames) {
    std::vector<float> samples(static_cast<std::size_t>(frames) * format.channels);
    for (std::int64_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < format.channels; ++c)
            samples[static_cast<std::size_t>(i) * format.channels + c] = static_cast<float>(
                0.6 * std::sin(0.031 * static_cast<double>(i) + static_cast<double>(c)) +
                0.35 * std::sin(0.47 * static_cast<double>(i)));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * format.blockAlign);
    EncodeInterleaved(format, samples.data(), static_cast<std::size_t>(frames), bytes.data());
    return bytes;
}

struct Converted {
    ConversionResult result = kCompleted;
    std::vector<std::uint8_t> bytes;
    StreamWritten written;
    std::uint64_t clipped = 0;
};

struct Row {
    const char* name;
    ConversionQuality quality;
    SampleEncoding input, output;
    std::uint16_t channels;
    std::uint32_t inputRate, outputRate;
    DitherChoice dither;
    double gainDb;
    std::int64_t frames;
    std::optional<std::size_t> sinkRoom;  // bytes the sink takes before refusing
    std::optional<int> stopAfterBlocks;
    ConversionResult expected;
    bool clips;  // whether some samples saturate
    bool integerKernels = false;  // the build's own, which encode as they filter
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

Converted Convert(const Row& row, bool onWriterThread) {
    ConversionSettings settings;
    settings.targetRate = static_cast<std::int32_t>(row.outputRate);
    settings.quality = row.quality;
    settings.dither = row.dither;
    settings.level.gainDb = row.gainDb;
    const WavSampleFormat input = Format(row.input, row.channels, row.inputRate);
    const ResamplerSetup setup{input, Format(row.output, row.channels, row.outputRate), settings,
                               row.integerKernels};
    const PreparedResampler prepared = MakeResampler(setup, ConversionBuilds().front().kernels);
    EXPECT_EQ(prepared.result, PrepareResult::kReady);
    Resampler& resampler = *prepared.resampler;
    const std::vector<std::uint8_t> signal = Signal(input, row.frames);
    BytesSource source(signal);
    LimitedSink sink(row.sinkRoom);
    std::optional<StopAfter> stop;
    if (row.stopAfterBlocks) stop.emplace(*row.stopAfterBlocks);
    Converted out;
    if (onWriterThread) {
        SampleEncoder* encoder = resampler.DeferEncoding();
        EXPECT_EQ(encoder == nullptr, row.integerKernels);
        std::optional<EncodingWriter> planes, bytes;
        EncodingWriter& writer =
            encoder != nullptr ? planes.emplace(*encoder, row.channels, encoder->MaxBlockFrames(),
                                                setup.output.blockAlign, sink, UINT64_MAX)
                               : bytes.emplace(sink, UINT64_MAX);
        EXPECT_TRUE(writer.Start());
        out.result = ConvertStream(resampler, source, row.frames, writer,
                                   stop ? &*stop : nullptr, out.written);
    } else {
        out.result = ConvertStream(resampler, source, row.frames, sink, stop ? &*stop : nullptr,
                                   UINT64_MAX, out.written);
    }
    out.bytes = std::move(sink.bytes);
    out.clipped = resampler.ClippedSamples();
    return out;
}

class EncodingWriterRows : public ::testing::TestWithParam<Row> {};

TEST_P(EncodingWriterRows, WritesWhatTheBlockLoopWouldHaveWritten) {
    const Row& row = GetParam();
    const Converted direct = Convert(row, false);
    const Converted aside = Convert(row, true);
    ASSERT_EQ(direct.result, row.expected);
    EXPECT_EQ(direct.clipped > 0, row.clips);
    EXPECT_EQ(aside.result, direct.result);
    EXPECT_EQ(aside.clipped, direct.clipped);
    if (direct.result == kOutputWriteError) {
        // What reached the sink before the refusal is cut at another block; none of it
        // takes the output's name.
        EXPECT_LE(aside.bytes.size(), *row.sinkRoom);
        return;
    }
    EXPECT_EQ(aside.written.bytes, direct.written.bytes);
    EXPECT_EQ(aside.written.frames, direct.written.frames);
    ASSERT_EQ(aside.bytes.size(), direct.bytes.size());
    EXPECT_TRUE(aside.bytes == direct.bytes) << "first difference at byte "
        << std::mismatch(aside.bytes.begin(), aside.bytes.end(), direct.bytes.begin()).first -
               aside.bytes.begin();
}

using Q = ConversionQuality;
using E = SampleEncoding;
using D = DitherChoice;
INSTANTIATE_TEST_SUITE_P(
    Streams, EncodingWriterRows,
    ::testing::Values(
        // Shaped dither draws per block and per channel: any other cut changes the bytes.
        Row{"high_shaped", Q::kHigh, E::kSigned24, E::kSigned16, 2, 44100, 48000, D::kShaped,
            0.0, 200000, {}, {}, kCompleted, false},
        Row{"best_tpdf_clipping", Q::kBest, E::kFloat32, E::kSigned24, 1, 48000, 44100, D::kTpdf,
            6.0, 150000, {}, {}, kCompleted, true},
        Row{"standard_float_three_channels", Q::kStandard, E::kSigned24, E::kFloat32, 3, 96000,
            8000, D::kAuto, 0.0, 300000, {}, {}, kCompleted, false},
        Row{"short_stream", Q::kHigh, E::kSigned16, E::kSigned16, 2, 8000, 96000, D::kTpdf, 0.0,
            7, {}, {}, kCompleted, false},
        Row{"cancelled", Q::kHigh, E::kSigned16, E::kSigned24, 2, 44100, 96000, D::kNone, 0.0,
            200000, {}, 5, kCancelled, false},
        Row{"sink_refuses", Q::kHigh, E::kSigned16, E::kSigned16, 2, 44100, 48000, D::kNone, 0.0,
            200000, 100000, {}, kOutputWriteError, false},
        // The integer kernels' bytes, handed over as they are.
        Row{"integer_kernels", Q::kStandard, E::kSigned16, E::kSigned16, 2, 44100, 48000,
            D::kNone, 0.0, 300000, {}, {}, kCompleted, false, true},
        Row{"integer_kernels_cancelled", Q::kStandard, E::kUnsigned8, E::kUnsigned8, 1, 22050,
            44100, D::kNone, 0.0, 300000, {}, 2, kCancelled, false, true},
        Row{"integer_kernels_sink_refuses", Q::kStandard, E::kSigned16, E::kSigned16, 2, 48000,
            44100, D::kNone, 0.0, 300000, 500000, {}, kOutputWriteError, false, true}));
// ctest takes each row's name from PrintTo; a name generator as well would leave
// "# GetParam() = ..." in the names ctest lists.

}  // namespace
}  // namespace zel
