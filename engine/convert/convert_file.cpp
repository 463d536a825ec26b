#include "engine/convert/convert_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "engine/base/file_byte_source.h"
#include "engine/convert/float_file_conversion.h"
#include "engine/resample/hq/high_quality_planar_resampler.h"
#include "engine/resample/standard/block_conversion.h"
#include "engine/resample/standard/polyphase_resampler.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header.h"
#include "engine/wav/wav_header_writer.h"
#include "platform/file_handle.h"
#include "platform/name_limits.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

using platform::FileHandle;
using platform::ReplacingFile;

constexpr std::int64_t kNormalSpeed = 100;
constexpr std::uint64_t kCanonicalDataSizeOffset = 40;

// The data chunk read front to back for the block loop of the canonical path.
class DataChunkSource : public ByteSource {
  public:
    DataChunkSource(RandomAccessBytes& input, std::uint64_t offset)
        : input_(input), offset_(offset) {}
    bool ReadExactly(std::uint8_t* buffer, std::size_t count) override {
        // A file that shrinks under us is a read error, not stale samples.
        if (!input_.ReadAt(offset_, buffer, count)) return false;
        offset_ += count;
        return true;
    }

  private:
    RandomAccessBytes& input_;
    std::uint64_t offset_;
};

class FileSink : public ByteSink {
  public:
    explicit FileSink(FileHandle& file) : file_(file) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        return file_.Write(buffer, count);
    }

  private:
    FileHandle& file_;
};

ConversionOutcome Refused(ResultDetail detail) { return {kOutputOpenError, detail}; }

// An output the system would not create, by the error number it gave.
ConversionOutcome CreationRefused(int error) {
    switch (error) {
        case EMFILE:
        case ENFILE:
            return Refused(ResultDetail::kTooManyOpenFiles);
        case ENOENT:
        case ENOTDIR:
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return Refused(ResultDetail::kFolderNotWritable);
        default: {
            ConversionOutcome refused = Refused(ResultDetail::kOutputNotCreated);
            refused.systemError = error;
            return refused;
        }
    }
}

// The end of a cancelled conversion: the part converted so far takes the output's name
// only when that name is free and it was not asked to be dropped, so a cancel never
// costs an earlier file.
ConversionOutcome FinishCancelled(ReplacingFile& output, bool discard) {
    if (output.TargetExists()) {
        output.Discard();
        return {kCancelled, ResultDetail::kEarlierOutputKept};
    }
    if (discard) {
        output.Discard();
        return {kCancelled, ResultDetail::kPartialRemoved};
    }
    if (!output.Commit()) return {kOutputWriteError};
    return {kCancelled};
}

// Output frames per input frame: target rate x 100 to input rate x speed.
FrameRatio RatioOf(const WavLayout& layout, const ConversionSettings& settings) {
    return {static_cast<std::uint64_t>(settings.targetRate) * kNormalSpeed,
            static_cast<std::uint64_t>(layout.format.sampleRate) *
                static_cast<std::uint64_t>(settings.speedPercent)};
}

// An upper bound of the data the output will hold: the block rules add at most a half
// span of look-ahead and one rounding step to the input's duration at the new rate.
std::uint64_t ExpectedDataBytes(const WavLayout& layout, const WavSampleFormat& outputFormat,
                                const FrameRatio& ratio) {
    const double perFrame =
        static_cast<double>(ratio.outputFrames) / static_cast<double>(ratio.inputFrames);
    const double frames = (static_cast<double>(layout.frameCount) + kHalfSpan + 1) * perFrame + 2.0;
    const double bytes = frames * outputFormat.blockAlign;
    return bytes >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
}

// 8 or 16-bit PCM in one or two channels whose output fits in a plain RIFF file: the
// build's own integer kernels can convert it, and a canonical input keeps its header.
bool IsPlainPcm(const WavLayout& layout, std::uint64_t expectedBehindHeader) {
    const WavSampleFormat& f = layout.format;
    const bool pcm = (f.encoding == SampleEncoding::kUnsigned8 && f.validBits == 8) ||
                     (f.encoding == SampleEncoding::kSigned16 && f.validBits == 16);
    return pcm && f.channels <= 2 && !f.bigEndian && expectedBehindHeader <= kMaxDataBytes;
}

// The dither of the high-quality mode: one step of an integer output of 16 bits and fewer
// (on the codec's -1..+1 scale), 0 where there is none.
float DitherStep(const ConversionSettings& settings, const WavSampleFormat& output) {
    const bool integer = !IsFloatEncoding(output.encoding) && !IsG711Encoding(output.encoding);
    if (!settings.dither || !integer || output.validBits > 16) return 0.0f;
    return std::ldexp(1.0f, 1 - static_cast<int>(output.validBits));
}

// The canonical input's own header at the new rate, so its output stays byte for byte.
bool CanonicalOutputHeader(RandomAccessBytes& input, std::int32_t targetRate,
                           WavOutputHeader& header) {
    WavHeader original;
    if (!input.ReadAt(0, original.bytes.data(), kWavHeaderSize)) return false;
    const WavHeader derived = DeriveOutputHeader(original, static_cast<std::uint32_t>(targetRate));
    header.bytes.assign(derived.bytes.begin(), derived.bytes.end());
    header.canonical = true;
    header.dataSizeOffset = kCanonicalDataSizeOffset;
    return true;
}

struct DataResult {
    ConversionResult code = kCompleted;
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    // Integer samples the float paths had to saturate (the integer kernels do not count).
    std::uint64_t saturated = 0;
};

DataResult RunIntegerPath(RandomAccessBytes& input, const WavLayout& layout,
                          const ConversionSettings& settings, const ConversionKernels& build,
                          FileHandle& output, ConversionProgress* progress) {
    BlockConversion conversion(build);
    const WavSampleFormat& format = layout.format;
    const ConversionResult prepared =
        conversion.Prepare(LayoutFor(format.channels, format.containerBits), format.sampleRate,
                           settings.targetRate, settings.speedPercent);
    if (prepared != kCompleted) return {prepared};
    // A WAV file cannot describe more data than this.
    conversion.LimitOutputBytes(kMaxDataBytes);
    DataChunkSource source(input, layout.dataOffset);
    FileSink sink(output);
    const ConversionResult result =
        conversion.Run(source, sink, static_cast<std::int64_t>(layout.frameCount), progress);
    const auto frames = static_cast<std::uint64_t>(conversion.FramesWritten());
    return {result, frames * format.blockAlign, frames};
}

DataResult RunFloatPath(RandomAccessBytes& input, const WavLayout& layout,
                        const WavSampleFormat& outputFormat, PlanarResampler& resampler,
                        FileHandle& output, ConversionProgress* progress) {
    FloatDataWritten written;
    const ConversionResult result =
        ConvertThroughFloat(input, layout, outputFormat, resampler, output, progress, written);
    return {result, written.bytes, written.frames, written.saturated};
}

DataResult RunStandardFloatPath(RandomAccessBytes& input, const WavLayout& layout,
                                const WavSampleFormat& outputFormat,
                                const ConversionSettings& settings, const ConversionKernels& build,
                                FileHandle& output, ConversionProgress* progress) {
    PolyphaseResampler resampler(build);
    const ConversionResult prepared =
        resampler.Prepare(layout.format.sampleRate, settings.targetRate, settings.speedPercent,
                          layout.format.channels);
    if (prepared != kCompleted) return {prepared};
    return RunFloatPath(input, layout, outputFormat, resampler, output, progress);
}

DataResult RunHighQualityPath(RandomAccessBytes& input, const WavLayout& layout,
                              const WavSampleFormat& outputFormat,
                              const ConversionSettings& settings, const ConversionKernels& build,
                              FileHandle& output, ConversionProgress* progress) {
    HighQualityPlanarResampler resampler(HighQualityKernelsFor(build),
                                         DitherStep(settings, outputFormat));
    if (!resampler.Prepare(static_cast<std::int32_t>(layout.format.sampleRate), settings.targetRate,
                           settings.speedPercent, layout.format.channels))
        return {kOutOfMemory};
    return RunFloatPath(input, layout, outputFormat, resampler, output, progress);
}

bool WriteBytes(FileHandle& output, std::span<const std::uint8_t> bytes) {
    return bytes.empty() || output.Write(bytes.data(), bytes.size());
}

// The pad byte after odd-sized data and the chunks behind it, then the sizes in the
// header, which is written once more at the start.
bool FinishOutputFile(FileHandle& output, WavOutputHeader& header, const DataResult& data,
                      std::span<const std::uint8_t> trailing) {
    const std::uint64_t pad = DataPadBytes(data.bytes, !trailing.empty());
    const std::uint8_t zero = 0;
    if (pad != 0 && !output.Write(&zero, 1)) return false;
    if (!WriteBytes(output, trailing)) return false;
    if (!CompleteWavHeader(header, data.bytes, data.frames, pad + trailing.size())) return false;
    return output.SeekToStart() && WriteBytes(output, header.bytes);
}

}  // namespace

ConversionOutcome ConvertFile(const std::filesystem::path& inputPath, ConversionProgress* progress,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& settings, const ConversionKernels& build) {
    // Opened first for its permission bits; it also refuses anything but a regular file.
    FileHandle inputHandle = FileHandle::OpenForSequentialRead(inputPath);
    if (!inputHandle.IsOpen()) return {kInputOpenError};
    // A leftover of an interrupted conversion is never taken as an input.
    if (ReplacingFile::IsTemporaryName(inputPath)) return {kInputFormatError};
    FileByteSource input(inputPath);
    if (!input.IsOpen()) return {kInputOpenError};

    const WavReadOutcome read = ReadWavLayout(input);
    if (!read.Accepted()) {
        ConversionOutcome refused{kInputFormatError};
        refused.refusal = read.refusal;
        return refused;
    }
    const WavLayout& layout = read.layout;

    if (!settings.IsConvertible()) return Refused(ResultDetail::kInvalidSettings);
    if (!platform::NameFitsFileSystem(outputPath)) return Refused(ResultDetail::kNameTooLong);
    ReplacingFile output = ReplacingFile::Create(outputPath, inputHandle.PermissionBits());
    if (!output.IsOpen()) return CreationRefused(output.Error());
    inputHandle.Close();

    const FrameRatio ratio = RatioOf(layout, settings);
    const auto targetRate = static_cast<std::uint32_t>(settings.targetRate);
    const std::vector<CarriedChunk> carried =
        CarryMetadata(input, layout, {settings.stripMetadata, ratio, targetRate});
    const std::vector<std::uint8_t> leading = SerializeChunks(carried, false);
    const std::vector<std::uint8_t> trailing = SerializeChunks(carried, true);

    const WavSampleFormat outputFormat = OutputFormatOf(layout.format, targetRate);
    const std::uint64_t expected =
        ExpectedDataBytes(layout, outputFormat, ratio) + 1 + trailing.size();
    const bool plainPcm = IsPlainPcm(layout, expected);
    WavOutputHeader header;
    if (plainPcm && layout.canonical) {
        if (!CanonicalOutputHeader(input, settings.targetRate, header)) return {kInputReadError};
    } else {
        header = ComposeWavHeader(outputFormat, leading, expected);
    }
    if (!WriteBytes(output.File(), header.bytes)) return {kOutputWriteError};

    FileHandle& out = output.File();
    DataResult data;
    if (settings.quality == ConversionQuality::kHigh)
        data = RunHighQualityPath(input, layout, outputFormat, settings, build, out, progress);
    else if (plainPcm)
        data = RunIntegerPath(input, layout, settings, build, out, progress);
    else
        data = RunStandardFloatPath(input, layout, outputFormat, settings, build, out, progress);
    if (data.code < 0) return {data.code};
    if (!FinishOutputFile(output.File(), header, data, trailing)) return {kOutputWriteError};
    ConversionOutcome outcome{data.code};
    if (data.code == kCancelled)
        outcome = FinishCancelled(output, progress != nullptr && progress->DiscardPartial());
    else if (!output.Commit())
        outcome = {kOutputWriteError};
    outcome.framesIn = static_cast<std::int64_t>(layout.frameCount);
    outcome.framesOut = static_cast<std::int64_t>(data.frames);
    outcome.clippedSamples = static_cast<std::int64_t>(data.saturated);
    return outcome;
}

}  // namespace zel
