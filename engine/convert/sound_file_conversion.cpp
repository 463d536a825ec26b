#include "engine/convert/sound_file_conversion.h"

#include "engine/convert/carried_tags.h"
#include "engine/convert/encoding_writer.h"
#include "engine/convert/output_frame_count.h"
#include "engine/convert/output_steps.h"
#include "engine/convert/sound_file_streams.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/stream_conversion.h"
#include "engine/sndfile/sound_file_writer.h"
#include "engine/wav/wav_header_writer.h"

namespace zel {
namespace {

using platform::ReplacingFile;

OutputContainer ChosenContainer(const ConversionSettings& settings, OutputContainer input) {
    return settings.container == OutputContainer::kSame ? input : settings.container;
}

// What the output stores: the depth chosen, or the input's own, at the target rate.
WavSampleFormat WantedSamples(const WavSampleFormat& natural, const ConversionSettings& settings) {
    WavSampleFormat wanted = WithDepth(natural, settings.depth);
    wanted.sampleRate = static_cast<std::uint32_t>(settings.targetRate);
    wanted.bigEndian = false;
    return wanted;
}

// The resampler for a stream, or the outcome that refuses it.
PreparedResampler Prepare(const ResamplerSetup& setup, const ConversionKernels& build,
                          ConversionOutcome& refused) {
    PreparedResampler prepared = MakeResampler(setup, build);
    if (prepared.result != PrepareResult::kReady) {
        const DataResult unprepared = Unprepared(prepared.result);
        refused = {unprepared.code, unprepared.detail};
    }
    return prepared;
}

// How a conversion whose data is written ends: renamed into place, or not.
ConversionOutcome Finish(ReplacingFile& output, ConversionResult code, ConversionProgress* progress,
                         const Resampler& resampler, std::int64_t framesIn) {
    ConversionOutcome outcome{code};
    if (code == kCancelled)
        outcome = FinishCancelled(output, progress != nullptr && progress->DiscardPartial());
    else if (!output.Commit())
        outcome = {kOutputWriteError};
    outcome.framesIn = framesIn;
    outcome.framesOut = resampler.FramesProduced();
    outcome.clippedSamples = static_cast<std::int64_t>(resampler.ClippedSamples());
    outcome.nonFiniteSamples = static_cast<std::int64_t>(resampler.NonFiniteSamples());
    return outcome;
}

// A stream that ended short of what its header states, or that the decoder gave up on:
// nothing of it takes the output's name.
ConversionOutcome ReadFailure(ReplacingFile& output, ResultDetail detail) {
    output.Discard();
    return {kInputReadError, detail};
}

// The end of a decoded stream: the decoder's error, a truncated lossless file, or the
// stream's own result.
ConversionOutcome CheckedEnd(ReplacingFile& output, ConversionResult code,
                             const SoundFileInfo& info, std::int64_t framesRead) {
    if (code == kInputReadError) return ReadFailure(output, ResultDetail::kDecodeError);
    if (code == kCompleted && info.lengthPromised && framesRead < info.frames)
        return ReadFailure(output, ResultDetail::kTruncatedAudio);
    return {code};
}

ConversionOutcome ToSoundFile(SoundFileReader& reader, ReplacingFile& output,
                              ConversionProgress* progress, const ConversionSettings& settings,
                              const ConversionKernels& build) {
    const SoundFileInfo& info = reader.Info();
    const OutputContainer container = ChosenContainer(settings, info.container);
    SoundFileWriter writer;
    const WavSampleFormat stored =
        SoundFileWriter::StoredFormat(container, WantedSamples(info.natural, settings));
    if (!writer.Open(output.File().Descriptor(), container, stored, info.nativeContainer)) {
        output.Discard();
        return Refused(ResultDetail::kFormatCannotHold);
    }
    DescribeFromSoundFile(writer, reader, settings);
    ConversionOutcome refused;
    const PreparedResampler prepared =
        Prepare({info.read, writer.Samples(), settings, false}, build, refused);
    if (!prepared.resampler) return refused;
    DecodedFrames source(reader);
    SoundFileFrames frames(writer);
    const std::unique_ptr<OutputStage> stage =
        OutputStageFor(*prepared.resampler, frames, UINT64_MAX);
    if (!stage) return {kOutOfMemory};
    StreamWritten written;
    std::int64_t framesRead = 0;
    const ConversionResult code =
        ConvertOpenStream(*prepared.resampler, source, std::max<std::int64_t>(info.frames, 0),
                          *stage, progress, written, framesRead);
    if (code < 0 && code != kInputReadError) return {code};
    if (!writer.Close() && code >= 0) return {kOutputWriteError};
    const ConversionOutcome end = CheckedEnd(output, code, info, framesRead);
    if (end.code < 0) return end;
    return Finish(output, code, progress, *prepared.resampler, framesRead);
}

ConversionOutcome ToWav(SoundFileReader& reader, RandomAccessBytes& inputBytes,
                        ReplacingFile& output, ConversionProgress* progress,
                        const ConversionSettings& settings, const ConversionKernels& build) {
    const SoundFileInfo& info = reader.Info();
    const auto targetRate = static_cast<std::uint32_t>(settings.targetRate);
    const WavSampleFormat outputFormat = OutputFormatOf(info.natural, targetRate, settings.depth);
    // The stated length may be an estimate: twice it (and a second's worth) lets the header
    // choose RF64 in time for any real file.
    const std::uint64_t statedFrames = static_cast<std::uint64_t>(std::max<std::int64_t>(info.frames, 0));
    const std::uint64_t expected =
        2 * OutputFrameCount(statedFrames, info.read.sampleRate, settings, build.blockLimit) *
            outputFormat.blockAlign +
        static_cast<std::uint64_t>(targetRate) * outputFormat.blockAlign;
    const CarriedMetadata carried = WavChunksFromSoundFile(reader, settings);
    WavOutputHeader header =
        ComposeWavHeader(outputFormat, CarriedBytes(carried.chunks, false), expected);
    const ConversionResult headed = WriteOutputHeader(inputBytes, output.File(), header, carried);
    if (headed != kCompleted) return {headed};
    ConversionOutcome refused;
    const PreparedResampler prepared =
        Prepare({info.read, outputFormat, settings, false}, build, refused);
    if (!prepared.resampler) return refused;
    DecodedFrames source(reader);
    FileSink sink(output.File());
    const std::unique_ptr<OutputStage> stage = OutputStageFor(*prepared.resampler, sink, UINT64_MAX);
    if (!stage) return {kOutOfMemory};
    StreamWritten written;
    std::int64_t framesRead = 0;
    const ConversionResult code =
        ConvertOpenStream(*prepared.resampler, source, static_cast<std::int64_t>(statedFrames),
                          *stage, progress, written, framesRead);
    const ConversionOutcome end = CheckedEnd(output, code, info, framesRead);
    if (end.code < 0) return end;
    const DataResult data{code, written.bytes, written.frames};
    const ConversionResult finished =
        FinishOutputFile(inputBytes, output.File(), header, data, carried);
    if (finished != kCompleted) return {finished};
    return Finish(output, code, progress, *prepared.resampler, framesRead);
}

}  // namespace

bool WritesWav(const ConversionSettings& settings, OutputContainer inputContainer) {
    return ChosenContainer(settings, inputContainer) == OutputContainer::kWav;
}

ConversionOutcome ConvertWavToSoundFile(RandomAccessBytes& input, const WavLayout& layout,
                                        ReplacingFile& output, ConversionProgress* progress,
                                        const ConversionSettings& settings,
                                        const ConversionKernels& build) {
    SoundFileWriter writer;
    const WavSampleFormat stored =
        SoundFileWriter::StoredFormat(settings.container, WantedSamples(layout.format, settings));
    if (!writer.Open(output.File().Descriptor(), settings.container, stored)) {
        output.Discard();
        return Refused(ResultDetail::kFormatCannotHold);
    }
    DescribeFromWav(writer, input, layout, settings);
    // The build's integer kernels where a WAV output would take them, so a 16-bit FLAC
    // holds exactly the samples of the 16-bit WAV of the same conversion.
    ConversionOutcome refused;
    const PreparedResampler prepared =
        Prepare({layout.format, writer.Samples(), settings, true}, build, refused);
    if (!prepared.resampler) return refused;
    DataChunkSource source(input, layout.dataOffset);
    SoundFileFrames sink(writer);
    const std::unique_ptr<OutputStage> stage = OutputStageFor(*prepared.resampler, sink, UINT64_MAX);
    if (!stage) return {kOutOfMemory};
    StreamWritten written;
    const auto frames = static_cast<std::int64_t>(layout.frameCount);
    const ConversionResult code =
        ConvertStream(*prepared.resampler, source, frames, *stage, progress, written);
    if (code < 0) return {code};
    if (!writer.Close()) return {kOutputWriteError};
    return Finish(output, code, progress, *prepared.resampler, frames);
}

ConversionOutcome ConvertFromSoundFile(SoundFileReader& reader, RandomAccessBytes& inputBytes,
                                       ReplacingFile& output, ConversionProgress* progress,
                                       const ConversionSettings& settings,
                                       const ConversionKernels& build) {
    if (WritesWav(settings, reader.Info().container))
        return ToWav(reader, inputBytes, output, progress, settings, build);
    return ToSoundFile(reader, output, progress, settings, build);
}

}  // namespace zel
