#include "engine/convert/input_probe.h"

#include "engine/sndfile/sound_file_formats.h"
#include "engine/sndfile/sound_file_reader.h"
#include "platform/file_handle.h"
#include "platform/read_refusal.h"

namespace zel {
namespace {

std::string WavContainerName(WavContainer container) {
    switch (container) {
        case WavContainer::kRifx:
            return "RIFX";
        case WavContainer::kRf64:
            return "RF64";
        case WavContainer::kRiff:
            break;
    }
    return "WAV";
}

}  // namespace

bool MayBeOtherFormat(const WavRefusalReason& refusal) {
    return refusal.code == WavRefusal::kNotWave || refusal.code == WavRefusal::kCompressed;
}

bool KeepsWavRefusal(const WavRefusalReason& refusal, const std::filesystem::path& input) {
    return refusal.code == WavRefusal::kCompressed ||
           ContainerOfExtension(input.filename().string()) == OutputContainer::kWav;
}

ResultDetail UnopenedReason(SoundFileRefusal refusal, const std::filesystem::path& input) {
    const bool damaged =
        refusal == SoundFileRefusal::kDamaged || HasReadableExtension(input.filename().string());
    return damaged ? ResultDetail::kDamagedAudio : ResultDetail::kUnknownAudioFormat;
}

ConversionOutcome InputNotOpened(const std::filesystem::path& input) {
    const platform::ReadRefusalCause cause = platform::WhyNotReadable(input);
    switch (cause.refusal) {
        case platform::ReadRefusal::kNotFound:
            return {kInputOpenError, ResultDetail::kInputNotFound};
        case platform::ReadRefusal::kAccessDenied:
            return {kInputOpenError, ResultDetail::kInputAccessDenied};
        case platform::ReadRefusal::kFolder:
            return {kInputOpenError, ResultDetail::kInputIsFolder};
        case platform::ReadRefusal::kNotRegularFile:
            return {kInputOpenError, ResultDetail::kInputNotRegularFile};
        case platform::ReadRefusal::kOther:
            break;
    }
    if (cause.systemError == 0) return {kInputOpenError};
    ConversionOutcome outcome{kInputOpenError, ResultDetail::kInputNotOpened};
    outcome.systemError = cause.systemError;
    return outcome;
}

std::uint64_t DurationSeconds(const InputProbe& probe) {
    const std::uint32_t rate = probe.format.sampleRate;
    return rate == 0 ? 0 : probe.frames / rate;
}

InputProbe ProbeInputFile(const std::filesystem::path& path) {
    const WavProbe wav = ProbeWavFile(path);
    InputProbe probe;
    probe.status = wav.status;
    probe.refusal = wav.refusal;
    if (wav.status == WavProbe::Status::kAccepted) {
        probe.format = wav.layout.format;
        probe.frames = wav.layout.frameCount;
        probe.formatName = "WAV";
        probe.shortName = WavContainerName(wav.layout.container);
        return probe;
    }
    if (wav.status != WavProbe::Status::kRefused || !MayBeOtherFormat(wav.refusal)) return probe;
    platform::FileHandle handle = platform::FileHandle::OpenForSequentialRead(path);
    SoundFileReader reader;
    if (!handle.IsOpen() || !reader.Open(handle.Descriptor())) {
        if (KeepsWavRefusal(wav.refusal, path)) return probe;
        probe.refusal = {};
        probe.detail = UnopenedReason(reader.Refusal(), path);
        return probe;
    }
    const SoundFileInfo& info = reader.Info();
    probe.status = WavProbe::Status::kAccepted;
    probe.refusal = {};
    probe.format = info.natural;
    probe.frames = static_cast<std::uint64_t>(std::max<std::int64_t>(info.frames, 0));
    probe.formatName = info.description;
    probe.shortName = info.shortName;
    probe.codec = info.codec;
    probe.complete = reader.ReachesStatedEnd();
    return probe;
}

}  // namespace zel
