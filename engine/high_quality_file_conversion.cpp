#include "engine/high_quality_file_conversion.h"

#include <algorithm>
#include <vector>

#include "engine/aligned_buffer.h"
#include "engine/batch_messages.h"
#include "engine/high_quality_resampler.h"
#include "engine/integer_packing.h"
#include "engine/sample_rounding.h"
#include "engine/wav_header.h"
#include "platform/file_handle.h"
#include "platform/name_limits.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

using platform::FileHandle;
using platform::MessageWindow;
using platform::ReplacingFile;

constexpr double kProgressScale = 100.0;
constexpr float kUint8Offset = 128.0f;
constexpr std::int64_t kChunkFrames = HighQualityResampler::kMaxPushFrames;

// Interleaved integer frames in, planar floats in the file's own scale, and back.
class SampleCodec {
  public:
    SampleCodec(int channels, int bitsPerSample, bool dither)
        : channels_(channels), bytesPerSample_(bitsPerSample / 8), dither_(dither) {}

    bool Allocate(std::int64_t outputFrames) {
        planarIn_.resize(static_cast<std::size_t>(channels_));
        inPointers_.resize(static_cast<std::size_t>(channels_));
        outPointers_.resize(static_cast<std::size_t>(channels_));
        for (int c = 0; c < channels_; ++c) {
            if (!planarIn_[c].Allocate(static_cast<std::uint64_t>(kChunkFrames))) return false;
            inPointers_[c] = planarIn_[c].data();
        }
        return rawIn_.Allocate(static_cast<std::uint64_t>(kChunkFrames * FrameBytes())) &&
               rawOut_.Allocate(static_cast<std::uint64_t>(outputFrames * FrameBytes()));
    }
    std::int64_t FrameBytes() const {
        return static_cast<std::int64_t>(channels_) * bytesPerSample_;
    }
    std::uint8_t* RawInput() { return rawIn_.data(); }
    const std::uint8_t* RawOutput() const { return rawOut_.data(); }

    // The samples read into RawInput(), as planar floats.
    const float* const* Unpack(std::int64_t frames) {
        const std::uint8_t* raw = rawIn_.data();
        for (int c = 0; c < channels_; ++c) {
            float* __restrict out = planarIn_[c].data();
            if (bytesPerSample_ == 2) {
                for (std::int64_t i = 0; i < frames; ++i) {
                    const std::uint8_t* at = raw + (i * channels_ + c) * 2;
                    out[i] = static_cast<std::int16_t>(at[0] | (at[1] << 8));
                }
            } else {
                for (std::int64_t i = 0; i < frames; ++i)
                    out[i] = static_cast<float>(raw[i * channels_ + c]) - kUint8Offset;
            }
        }
        return inPointers_.data();
    }

    // The resampler's `frames` fresh outputs into RawOutput(); returns the samples clipped.
    std::int64_t Pack(const HighQualityResampler& resampler, std::int64_t frames) {
        for (int c = 0; c < channels_; ++c) outPointers_[c] = resampler.Output(c);
        TpdfDither* noise = dither_ ? &noise_ : nullptr;
        if (bytesPerSample_ == 1)
            return PackUint8(outPointers_.data(), channels_, frames, rawOut_.data(), noise);
        // The WAV file is little-endian, as is every processor this program runs on.
        return PackInt16(outPointers_.data(), channels_, frames,
                         reinterpret_cast<std::int16_t*>(rawOut_.data()), noise);
    }

  private:
    int channels_;
    int bytesPerSample_;
    bool dither_;
    TpdfDither noise_;
    AlignedBuffer<std::uint8_t> rawIn_;
    AlignedBuffer<std::uint8_t> rawOut_;
    std::vector<AlignedBuffer<float>> planarIn_;
    std::vector<const float*> inPointers_;
    std::vector<const float*> outPointers_;
};

bool WriteHeader(FileHandle& output, const WavHeader& header) {
    return output.Write(header.bytes.data(), header.bytes.size());
}

std::int64_t FramesPresent(const WavFormat& format, std::int64_t fileSize) {
    const std::int64_t stored = std::max<std::int64_t>(0, fileSize - kWavHeaderSize);
    const std::int64_t data = std::min<std::int64_t>(format.dataLength, stored);
    return data / format.blockAlign;
}

ConversionOutcome Refused(ResultDetail detail) { return {kOutputOpenError, detail}; }

// Converts every frame and sends the progress; the outcome's code is kCompleted,
// kCancelled or an error, its clip count that of the frames written.
class HighQualityRun {
  public:
    HighQualityRun(HighQualityResampler& resampler, SampleCodec& codec, FileHandle& input,
                   FileHandle& output)
        : resampler_(resampler), codec_(codec), input_(input), output_(output) {}

    ConversionOutcome Run(std::int64_t total, MessageWindow* window) {
        ConversionOutcome outcome;
        for (std::int64_t done = 0; done < total;) {
            const std::int64_t frames = std::min(kChunkFrames, total - done);
            if (!ReadFrames(frames)) return {kInputReadError};
            if (!WriteOutputs(resampler_.Push(codec_.Unpack(frames), frames), outcome))
                return {kOutputWriteError};
            done += frames;
            if (Cancelled(window, total - done, total)) {
                outcome.code = kCancelled;
                return outcome;
            }
        }
        for (std::int64_t count = resampler_.Finish(); count > 0; count = resampler_.Finish())
            if (!WriteOutputs(count, outcome)) return {kOutputWriteError};
        return outcome;
    }
    std::int64_t FramesWritten() const { return framesWritten_; }

  private:
    bool ReadFrames(std::int64_t frames) {
        const auto bytes = static_cast<std::size_t>(frames * codec_.FrameBytes());
        std::size_t got = 0;
        return input_.Read(codec_.RawInput(), bytes, got) && got == bytes;
    }
    bool WriteOutputs(std::int64_t count, ConversionOutcome& outcome) {
        if (count == 0) return true;
        outcome.clippedSamples += codec_.Pack(resampler_, count);
        framesWritten_ += count;
        return output_.Write(codec_.RawOutput(),
                             static_cast<std::size_t>(count * codec_.FrameBytes()));
    }
    static bool Cancelled(MessageWindow* window, std::int64_t remaining, std::int64_t total) {
        if (window == nullptr) return false;
        const std::int64_t percent =
            100 - RoundHalfAway(static_cast<double>(remaining) * kProgressScale /
                                static_cast<double>(total));
        return window->Send(WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(percent),
                            kCurrentFileBar) != 0;
    }

    HighQualityResampler& resampler_;
    SampleCodec& codec_;
    FileHandle& input_;
    FileHandle& output_;
    std::int64_t framesWritten_ = 0;
};

}  // namespace

ConversionOutcome ConvertFileHighQuality(const std::filesystem::path& inputPath,
                                         MessageWindow* progressWindow,
                                         const std::filesystem::path& outputPath,
                                         const ConversionSettings& settings,
                                         const HighQualityKernels& kernels) {
    FileHandle input = FileHandle::OpenForSequentialRead(inputPath);
    if (!input.IsOpen()) return {kInputOpenError};
    if (ReplacingFile::IsTemporaryName(inputPath)) return {kInputFormatError};

    WavHeader header;
    std::size_t got = 0;
    if (!input.Read(header.bytes.data(), kWavHeaderSize, got)) return {kInputReadError};
    if (got < kWavHeaderSize || CheckHeader(header) != HeaderVerdict::kAccepted)
        return {kInputFormatError};
    const WavFormat format = FormatOf(header);

    if (!settings.IsConvertible()) return Refused(ResultDetail::kInvalidSettings);
    if (!platform::NameFitsFileSystem(outputPath)) return Refused(ResultDetail::kNameTooLong);
    ReplacingFile output = ReplacingFile::Create(outputPath, input.PermissionBits());
    if (!output.IsOpen()) return Refused(ResultDetail::kFolderNotWritable);
    WavHeader outputHeader =
        DeriveOutputHeader(header, static_cast<std::uint32_t>(settings.targetRate));
    if (!WriteHeader(output.File(), outputHeader)) return {kOutputWriteError};

    HighQualityResampler resampler(kernels);
    SampleCodec codec(format.channels, format.bitsPerSample, settings.dither);
    if (!resampler.Prepare(static_cast<std::int32_t>(format.sampleRate), settings.targetRate,
                           settings.speedPercent, format.channels) ||
        !codec.Allocate(resampler.OutputCapacity()))
        return {kOutOfMemory};

    HighQualityRun run(resampler, codec, input, output.File());
    const std::int64_t total = FramesPresent(format, input.Size());
    ConversionOutcome outcome = run.Run(total, progressWindow);
    if (outcome.code < 0) return outcome;
    outcome.framesIn = total;
    outcome.framesOut = run.FramesWritten();

    CompleteHeader(outputHeader,
                   static_cast<std::uint32_t>(run.FramesWritten() * format.blockAlign));
    if (!output.File().SeekToStart() || !WriteHeader(output.File(), outputHeader))
        return {kOutputWriteError};
    input.Close();
    if (outcome.code == kCancelled) {
        // A cancel never costs an earlier file of the output's name.
        if (output.TargetExists()) {
            output.Discard();
            outcome.detail = ResultDetail::kEarlierOutputKept;
        } else if (!output.Commit()) {
            return {kOutputWriteError};
        }
        return outcome;
    }
    if (!output.Commit()) return {kOutputWriteError};
    return outcome;
}

}  // namespace zel
