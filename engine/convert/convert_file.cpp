#include "engine/convert/convert_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "engine/base/file_byte_source.h"
#include "engine/convert/carried_tags.h"
#include "engine/convert/encoding_writer.h"
#include "engine/convert/input_probe.h"
#include "engine/convert/level_analysis.h"
#include "engine/convert/output_frame_count.h"
#include "engine/convert/output_steps.h"
#include "engine/convert/sound_file_conversion.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/stream_conversion.h"
#include "engine/wav/bext_loudness.h"
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
    const std::unique_ptr<OutputStage> stage = OutputStageFor(resampler, sink, maxDataBytes);
    if (!stage) return {.code = kOutOfMemory};
    StreamWritten written;
    const ConversionResult result =
        ConvertStream(resampler, source, static_cast<std::int64_t>(layout.frameCount), *stage,
                      progress, written);
    return {result, written.bytes, written.frames, resampler.ClippedSamples(),
            resampler.NonFiniteSamples()};
}

// The loudness a carried bext chunk states: the output's own, or "not known" once a gain has
// made the input's figures wrong.
BextLoudness BextLoudnessOf(const LevelOutcome& level) {
    BextLoudness loudness;
    if (std::isfinite(level.loudnessAfter)) loudness.integrated = level.loudnessAfter;
    if (std::isfinite(level.truePeakAfter)) loudness.truePeak = level.truePeakAfter;
    return loudness;
}

// One read and one write, at the settings' fixed gain; `level` is what it does to the level.
ConversionOutcome ConvertOnce(const std::filesystem::path& inputPath, ConversionProgress* progress,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& settings, const ConversionKernels& build,
                              const LevelOutcome& level) {
    // Opened first for its permission bits; it also refuses anything but a regular file.
    FileHandle inputHandle = FileHandle::OpenForSequentialRead(inputPath);
    if (!inputHandle.IsOpen()) return InputNotOpened(inputPath);
    // A leftover of an interrupted conversion is never taken as an input.
    if (ReplacingFile::IsTemporaryName(inputPath)) return {kInputFormatError};
    FileByteSource input(inputPath);
    if (!input.IsOpen()) return InputNotOpened(inputPath);

    const WavReadOutcome read = ReadWavLayout(input);
    // What ZEL's own reader refuses, libsndfile may read: another container, or a WAV
    // file in a compressed encoding. It reads from the handle already open.
    SoundFileReader reader;
    if (!read.Accepted()) {
        ConversionOutcome refused{kInputFormatError};
        refused.refusal = read.refusal;
        if (!MayBeOtherFormat(read.refusal)) return refused;
        if (!reader.Open(inputHandle.Descriptor())) {
            if (KeepsWavRefusal(read.refusal, inputPath)) return refused;
            return {kInputFormatError, UnopenedReason(reader.Refusal(), inputPath)};
        }
    }

    if (!settings.IsConvertible()) return Refused(ResultDetail::kInvalidSettings);
    if (!platform::NameFitsFileSystem(outputPath)) return Refused(ResultDetail::kNameTooLong);
    ReplacingFile output = ReplacingFile::Create(outputPath, inputHandle.PermissionBits());
    if (!output.IsOpen()) return CreationRefused(output.Error());
    if (!read.Accepted())
        return ConvertFromSoundFile(reader, input, output, progress, settings, build);
    inputHandle.Close();
    const WavLayout& layout = read.layout;
    if (!WritesWav(settings, OutputContainer::kWav))
        return ConvertWavToSoundFile(input, layout, output, progress, settings, build);

    const FrameRatio ratio = TimelineRatio(layout.format.sampleRate, settings);
    const auto targetRate = static_cast<std::uint32_t>(settings.targetRate);
    CarriedMetadata carried =
        CarryMetadata(input, layout, {settings.stripMetadata, ratio, targetRate});
    if (level.applied) StampBextLoudness(carried.chunks, BextLoudnessOf(level));

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

// A first read measures the converted signal, then the conversion runs at the gain found.
// The settings keep asking for the level stage, so both reads take the same float path.
ConversionOutcome ConvertAtMeasuredLevel(const std::filesystem::path& inputPath,
                                         ConversionProgress* progress,
                                         const std::filesystem::path& outputPath,
                                         const ConversionSettings& settings,
                                         const ConversionKernels& build) {
    PassProgress measuring(progress, 0);
    const LevelAnalysis analysis =
        AnalyseLevel(inputPath, settings, build, progress != nullptr ? &measuring : nullptr);
    if (analysis.code == kCancelled) return {kCancelled, ResultDetail::kCancelledWhileMeasuring};
    // An input neither reader takes: the conversion itself says why, in its own words.
    if (analysis.code == kInputFormatError || analysis.code == kInputOpenError)
        return ConvertOnce(inputPath, progress, outputPath, settings, build, {});
    if (analysis.code != kCompleted) return {analysis.code, analysis.detail};
    const LevelOutcome level =
        ChooseLevel(settings.level, analysis.measured, analysis.headroomLimit);
    PassProgress converting(progress, 50);
    return ConvertFileAtLevel(inputPath, progress != nullptr ? &converting : nullptr, outputPath,
                              settings, level, build);
}

}  // namespace

ConversionOutcome ConvertFileAtLevel(const std::filesystem::path& inputPath,
                                     ConversionProgress* progress,
                                     const std::filesystem::path& outputPath,
                                     const ConversionSettings& settings, const LevelOutcome& level,
                                     const ConversionKernels& build) {
    ConversionSettings fixed = settings;
    fixed.level.gainDb = level.gainDb;
    ConversionOutcome outcome = ConvertOnce(inputPath, progress, outputPath, fixed, build, level);
    outcome.level = level;
    return outcome;
}

ConversionOutcome ConvertFile(const std::filesystem::path& inputPath, ConversionProgress* progress,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& asked, const ConversionKernels& build) {
    // An input that cannot be probed is refused by the conversion itself, with its reason.
    const ConversionSettings settings =
        asked.keepInputRate ? ForInputRate(asked, ProbeInputFile(inputPath).format.sampleRate)
                            : asked;
    if (settings.level.NeedsAnalysis())
        return ConvertAtMeasuredLevel(inputPath, progress, outputPath, settings, build);
    LevelOutcome level;
    level.applied = settings.level.ChangesLevel();
    level.gainDb = settings.level.gainDb;
    return ConvertFileAtLevel(inputPath, progress, outputPath, settings, level, build);
}

}  // namespace zel
