#include "engine/convert/pipe_conversion.h"

#include <algorithm>

#include "engine/base/memory_byte_source.h"
#include "engine/convert/carried_tags.h"
#include "engine/convert/output_frame_count.h"
#include "engine/convert/output_steps.h"
#include "engine/convert/sound_file_streams.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/stream_conversion.h"
#include "engine/sndfile/sound_file_reader.h"
#include "engine/sndfile/sound_file_writer.h"
#include "engine/wav/wav_header_writer.h"

namespace zel {
namespace {

using platform::FileHandle;

// Where a stream with no output file of its own ends: the stream's result and its counts.
ConversionOutcome Ended(ConversionResult code, const Resampler& resampler, std::int64_t framesIn) {
    ConversionOutcome outcome{code};
    outcome.framesIn = framesIn;
    outcome.framesOut = resampler.FramesProduced();
    outcome.clippedSamples = static_cast<std::int64_t>(resampler.ClippedSamples());
    outcome.nonFiniteSamples = static_cast<std::int64_t>(resampler.NonFiniteSamples());
    return outcome;
}

// The decoder's error or a cut lossless stream, else the stream's own result.
ConversionResult CheckedCode(ConversionResult code, const SoundFileInfo& info,
                             std::int64_t framesRead, ResultDetail& detail) {
    if (code == kInputReadError) detail = ResultDetail::kDecodeError;
    if (code == kCompleted && info.lengthPromised && framesRead < info.frames) {
        detail = ResultDetail::kTruncatedAudio;
        return kInputReadError;
    }
    return code;
}

struct StreamRun {
    ConversionResult code = kCompleted;
    ResultDetail detail = ResultDetail::kNone;
    StreamWritten written;
    std::int64_t framesRead = 0;
};

StreamRun Run(Resampler& resampler, SoundFileReader& reader, ByteSink& sink,
              ConversionProgress* progress) {
    StreamRun run;
    DecodedFrames source(reader);
    const SoundFileInfo& info = reader.Info();
    run.code = ConvertOpenStream(resampler, source, std::max<std::int64_t>(info.frames, 0), sink,
                                 progress, UINT64_MAX, run.written, run.framesRead);
    run.code = CheckedCode(run.code, info, run.framesRead, run.detail);
    return run;
}

ConversionOutcome ToWav(SoundFileReader& reader, FileHandle& output, ConversionProgress* progress,
                        const ConversionSettings& settings, const ConversionKernels& build) {
    const SoundFileInfo& info = reader.Info();
    const WavSampleFormat format = OutputFormatOf(
        info.natural, static_cast<std::uint32_t>(settings.targetRate), settings.depth);
    const bool seekable = output.IsSeekable();
    // A file gets its sizes at the end (twice the stated length lets the header choose RF64
    // in time); a pipe says "as long as the stream".
    const auto stated = static_cast<std::uint64_t>(std::max<std::int64_t>(info.frames, 0));
    const std::uint64_t expected =
        2 * OutputFrameCount(stated, info.read.sampleRate, settings, build.blockLimit) *
        format.blockAlign;
    // The input's tags and markers stand before the data, held, so a pipe carries them too.
    const CarriedMetadata carried = WavChunksFromSoundFile(reader, settings);
    const std::uint64_t leading = CarriedBytes(carried.chunks, false);
    WavOutputHeader header = seekable ? ComposeWavHeader(format, leading, expected)
                                      : OpenEndedWavHeader(format, leading);
    MemoryByteSource noInput({});
    if (WriteOutputHeader(noInput, output, header, carried) != kCompleted)
        return {kOutputWriteError};
    PreparedResampler prepared = MakeResampler({info.read, format, settings, false}, build);
    if (prepared.result != PrepareResult::kReady) {
        const DataResult unprepared = Unprepared(prepared.result);
        return {unprepared.code, unprepared.detail};
    }
    FileSink sink(output);
    const StreamRun run = Run(*prepared.resampler, reader, sink, progress);
    if (run.code < 0) return {run.code, run.detail};
    if (!seekable) {
        // The pad byte keeps the stream whole for a reader that takes sizes literally.
        const std::uint8_t zero = 0;
        if (run.written.bytes % 2 != 0 && !output.Write(&zero, 1)) return {kOutputWriteError};
    } else {
        const DataResult data{run.code, run.written.bytes, run.written.frames};
        if (FinishOutputFile(noInput, output, header, data, carried) != kCompleted)
            return {kOutputWriteError};
    }
    return Ended(run.code, *prepared.resampler, run.framesRead);
}

ConversionOutcome ToSoundFile(SoundFileReader& reader, FileHandle& output,
                              ConversionProgress* progress, const ConversionSettings& settings,
                              const ConversionKernels& build) {
    const SoundFileInfo& info = reader.Info();
    const OutputContainer container = settings.container;
    WavSampleFormat wanted = WithDepth(info.natural, settings.depth);
    wanted.sampleRate = static_cast<std::uint32_t>(settings.targetRate);
    SoundFileWriter writer;
    if (!writer.Open(output.Descriptor(), container,
                     SoundFileWriter::StoredFormat(container, wanted), info.nativeContainer))
        return Refused(ResultDetail::kFormatCannotHold);
    DescribeFromSoundFile(writer, reader, settings);
    PreparedResampler prepared = MakeResampler({info.read, writer.Samples(), settings, false}, build);
    if (prepared.result != PrepareResult::kReady) {
        const DataResult unprepared = Unprepared(prepared.result);
        return {unprepared.code, unprepared.detail};
    }
    SoundFileSink sink(writer);
    const StreamRun run = Run(*prepared.resampler, reader, sink, progress);
    const bool encoded = sink.Finish();
    const bool closed = writer.Close();
    if (run.code < 0) return {run.code, run.detail};
    if (!encoded || !closed) return {kOutputWriteError};
    return Ended(run.code, *prepared.resampler, run.framesRead);
}

bool WritesWavToStandardOutput(const ConversionSettings& settings) {
    // Standard output has no name to take a format from: WAV unless one is chosen, whether
    // it is a pipe or a file (`> out.wav` of a FLAC input must not hold FLAC).
    return settings.container == OutputContainer::kWav ||
           settings.container == OutputContainer::kSame;
}

}  // namespace

bool TakesContainer(const FileHandle& output, const ConversionSettings& settings) {
    return WritesWavToStandardOutput(settings) || output.IsSeekable();
}

ConversionOutcome ConvertDescriptors(FileHandle& input, FileHandle& output,
                                     ConversionProgress* progress,
                                     const ConversionSettings& asked,
                                     const ConversionKernels& build) {
    if (!asked.keepInputRate && !asked.IsConvertible())
        return Refused(ResultDetail::kInvalidSettings);
    if (!TakesContainer(output, asked)) return Refused(ResultDetail::kFormatNeedsSeeking);
    // Standard input is read once: a fixed gain, but nothing that needs a first read.
    if (asked.level.NeedsAnalysis()) return Refused(ResultDetail::kLevelNeedsFile);
    SoundFileReader reader;
    if (!reader.Open(input.Descriptor())) {
        // libsndfile reads WAV, AIFF and AU from a pipe; FLAC, Ogg and MP3 it must seek in.
        if (!input.IsSeekable()) return {kInputFormatError, ResultDetail::kPipeCannotCarry};
        const bool damaged = reader.Refusal() == SoundFileRefusal::kDamaged;
        return {kInputFormatError,
                damaged ? ResultDetail::kDamagedAudio : ResultDetail::kUnknownAudioFormat};
    }
    const ConversionSettings settings = ForInputRate(asked, reader.Info().read.sampleRate);
    if (!settings.IsConvertible()) return Refused(ResultDetail::kInvalidSettings);
    if (WritesWavToStandardOutput(settings))
        return ToWav(reader, output, progress, settings, build);
    return ToSoundFile(reader, output, progress, settings, build);
}

}  // namespace zel
