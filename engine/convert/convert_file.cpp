#include "engine/convert/convert_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "engine/base/file_byte_source.h"
#include "engine/convert/output_frame_count.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/conversion_ratio.h"
#include "engine/resample/stream_conversion.h"
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

// The data chunk read front to back.
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

// Output frames per input frame, for moving the metadata's frame positions.
FrameRatio RatioOf(const WavLayout& layout, const ConversionSettings& settings) {
    const ConversionRatio ratio =
        ReducedRatio(layout.format.sampleRate, settings.targetRate, settings.speedPercent);
    return {static_cast<std::uint64_t>(ratio.Q), static_cast<std::uint64_t>(ratio.P)};
}

// The data a finished output holds, by the conversion's own length rule.
std::uint64_t ExpectedDataBytes(const WavLayout& layout, const WavSampleFormat& outputFormat,
                                const ConversionSettings& settings, std::int64_t blockLimit) {
    const std::uint64_t frames =
        OutputFrameCount(layout.frameCount, layout.format.sampleRate, settings, blockLimit);
    // Held far below 2^64, so the pad byte and the chunks behind can still be added.
    constexpr std::uint64_t kBeyondAnyFile = UINT64_MAX / 2;
    const std::uint64_t align = outputFormat.blockAlign;
    return align != 0 && frames > kBeyondAnyFile / align ? kBeyondAnyFile : frames * align;
}

struct DataResult {
    ConversionResult code = kCompleted;
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    // Integer samples the float paths had to saturate (the integer kernels do not count).
    std::uint64_t saturated = 0;
    // NaN or infinite input samples, converted as silence.
    std::uint64_t nonFinite = 0;
    ResultDetail detail = ResultDetail::kNone;  // of a refused ratio
};

// A resampler that could not be prepared: out of memory, or the ratio refused for the size
// of its filter.
DataResult Unprepared(PrepareResult prepared) {
    if (prepared == PrepareResult::kRatioTooLarge)
        return {.code = kOutputOpenError, .detail = ResultDetail::kFilterTooLarge};
    return {.code = kOutOfMemory};
}

// The samples, behind whatever the output already holds. An output whose data fits a plain
// RIFF file may take the build's own integer kernels, whose output a plain file can hold.
DataResult ConvertData(RandomAccessBytes& input, const WavLayout& layout,
                       const ResamplerSetup& setup, const ConversionKernels& build,
                       std::uint64_t maxDataBytes, FileHandle& output,
                       ConversionProgress* progress) {
    const PreparedResampler prepared = MakeResampler(setup, build);
    if (prepared.result != PrepareResult::kReady) return Unprepared(prepared.result);
    Resampler& resampler = *prepared.resampler;
    DataChunkSource source(input, layout.dataOffset);
    FileSink sink(output);
    StreamWritten written;
    const ConversionResult result =
        ConvertStream(resampler, source, static_cast<std::int64_t>(layout.frameCount), sink,
                      progress, maxDataBytes, written);
    return {result, written.bytes, written.frames, resampler.ClippedSamples(),
            resampler.NonFiniteSamples()};
}

bool WriteBytes(FileHandle& output, std::span<const std::uint8_t> bytes) {
    return bytes.empty() || output.Write(bytes.data(), bytes.size());
}

// The header's bytes in front of the carried chunks, and those behind them.
std::span<const std::uint8_t> HeaderFront(const WavOutputHeader& header) {
    return std::span(header.bytes).first(header.leadingAt);
}
std::span<const std::uint8_t> HeaderBack(const WavOutputHeader& header) {
    return std::span(header.bytes).subspan(header.leadingAt);
}

// The header with the chunks that stand before the data.
ConversionResult WriteOutputHeader(RandomAccessBytes& input, FileHandle& output,
                                   const WavOutputHeader& header,
                                   const CarriedMetadata& carried) {
    if (!WriteBytes(output, HeaderFront(header))) return kOutputWriteError;
    FileSink sink(output);
    const ConversionResult leading = WriteCarriedChunks(input, carried.chunks, false, sink);
    if (leading != kCompleted) return leading;
    return WriteBytes(output, HeaderBack(header)) ? kCompleted : kOutputWriteError;
}

// The pad byte after odd-sized data and the chunks behind it, then the sizes in the
// header, whose own bytes are written once more in place.
ConversionResult FinishOutputFile(RandomAccessBytes& input, FileHandle& output,
                                  WavOutputHeader& header, const DataResult& data,
                                  const CarriedMetadata& carried) {
    const std::uint64_t trailingBytes = CarriedBytes(carried.chunks, true);
    const std::uint64_t pad = DataPadBytes(data.bytes, trailingBytes != 0);
    const std::uint8_t zero = 0;
    if (pad != 0 && !output.Write(&zero, 1)) return kOutputWriteError;
    FileSink sink(output);
    const ConversionResult trailing = WriteCarriedChunks(input, carried.chunks, true, sink);
    if (trailing != kCompleted) return trailing;
    if (!CompleteWavHeader(header, data.bytes, data.frames, pad + trailingBytes))
        return kOutputWriteError;
    const bool rewritten =
        output.SeekTo(0) && WriteBytes(output, HeaderFront(header)) &&
        output.SeekTo(header.leadingAt + header.leadingBytes) &&
        WriteBytes(output, HeaderBack(header));
    return rewritten ? kCompleted : kOutputWriteError;
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
    const CarriedMetadata carried =
        CarryMetadata(input, layout, {settings.stripMetadata, ratio, targetRate});

    const WavSampleFormat outputFormat =
        OutputFormatOf(layout.format, targetRate, settings.depth);
    // The data, a pad byte and the trailing chunks.
    const std::uint64_t expected =
        ExpectedDataBytes(layout, outputFormat, settings, build.blockLimit) + 1 +
        CarriedBytes(carried.chunks, true);
    // One writer for every header: a canonical input gets the 44 bytes it came with, at
    // the new rate.
    WavOutputHeader header =
        ComposeWavHeader(outputFormat, CarriedBytes(carried.chunks, false), expected);
    const ConversionResult written = WriteOutputHeader(input, output.File(), header, carried);
    if (written != kCompleted) return {written};

    // Data too large for a plain RIFF file goes through the codec, whose output an RF64
    // header describes; the build's integer kernels stop at the plain file's limit.
    const bool fitsPlainRiff = expected <= kMaxDataBytes;
    const ResamplerSetup setup{layout.format, outputFormat, settings, fitsPlainRiff};
    const DataResult data = ConvertData(input, layout, setup, build,
                                        fitsPlainRiff ? kMaxDataBytes : UINT64_MAX,
                                        output.File(), progress);
    if (data.code < 0) return {data.code, data.detail};
    const ConversionResult finished = FinishOutputFile(input, output.File(), header, data, carried);
    if (finished != kCompleted) return {finished};
    ConversionOutcome outcome{data.code};
    if (data.code == kCancelled)
        outcome = FinishCancelled(output, progress != nullptr && progress->DiscardPartial());
    else if (!output.Commit())
        outcome = {kOutputWriteError};
    outcome.framesIn = static_cast<std::int64_t>(layout.frameCount);
    outcome.framesOut = static_cast<std::int64_t>(data.frames);
    outcome.clippedSamples = static_cast<std::int64_t>(data.saturated);
    outcome.nonFiniteSamples = static_cast<std::int64_t>(data.nonFinite);
    outcome.metadataChunksLeftOut = static_cast<std::int64_t>(carried.leftOut);
    return outcome;
}

}  // namespace zel
