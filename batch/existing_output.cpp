#include "batch/existing_output.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include "batch/batch_inputs.h"
#include "batch/output_path.h"
#include "engine/convert/input_probe.h"
#include "engine/convert/output_frame_count.h"
#include "engine/sndfile/sound_file_formats.h"
#include "engine/sndfile/sound_file_writer.h"
#include "engine/wav/wav_probe.h"

namespace zel {
namespace {

// The layout of a WAV file the conversion reads; anything but a regular file is refused
// without waiting on it.
std::optional<WavLayout> ReadLayout(const std::filesystem::path& path) {
    WavProbe probe = ProbeWavFile(path);
    if (probe.status != WavProbe::Status::kAccepted) return std::nullopt;
    return std::move(probe.layout);
}

}  // namespace

// An output in another container (FLAC, AIFF, ...), read through libsndfile: its samples
// as the conversion would store them, and its length, which lossy encoders may pad.
bool IsFinishedSoundFile(const std::filesystem::path& output, const InputProbe& in,
                         const ConversionSettings& settings, std::uint64_t expectedFrames) {
    const InputProbe out = ProbeInputFile(output);
    if (out.status != WavProbe::Status::kAccepted || !out.complete) return false;
    const OutputContainer container =
        ContainerOfExtension(output.filename().string()).value_or(OutputContainer::kSame);
    const WavSampleFormat wanted =
        SoundFileWriter::StoredFormat(container, WithDepth(in.format, settings.depth));
    if (out.format.sampleRate != static_cast<std::uint32_t>(settings.targetRate) ||
        out.format.channels != in.format.channels)
        return false;
    if (IsLossyContainer(container)) return out.frames >= expectedFrames;
    return out.format.encoding == wanted.encoding && out.format.validBits == wanted.validBits &&
           out.frames == expectedFrames;
}

bool IsFinishedOutput(const std::filesystem::path& output, const std::filesystem::path& input,
                      const ConversionSettings& asked, std::int64_t blockLimit) {
    const InputProbe in = ProbeInputFile(input);
    if (in.status != WavProbe::Status::kAccepted) return false;
    const ConversionSettings settings = ForInputRate(asked, in.format.sampleRate);
    if (!settings.IsConvertible()) return false;
    const std::uint64_t expected =
        OutputFrameCount(in.frames, in.format.sampleRate, settings, blockLimit);
    const std::optional<WavLayout> out = ReadLayout(output);
    if (!out) return IsFinishedSoundFile(output, in, settings, expected);
    if (!out->sizesAgree) return false;
    const WavSampleFormat& outFormat = out->format;
    // The samples the conversion would write: the input's, or the depth chosen.
    const WavSampleFormat wanted = WithDepth(in.format, settings.depth);
    if (outFormat.sampleRate != static_cast<std::uint32_t>(settings.targetRate) ||
        outFormat.channels != in.format.channels || outFormat.encoding != wanted.encoding ||
        outFormat.validBits != wanted.validBits)
        return false;
    return out->frameCount == expected;
}

std::size_t CountExistingOutputs(const std::vector<std::string>& inputs,
                                 const std::vector<std::filesystem::path>& folders,
                                 const std::string& suffix, std::string_view extension) {
    const BatchInputs listed(inputs);
    std::size_t count = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::filesystem::path folder =
            i < folders.size() ? folders[i] : std::filesystem::path();
        const std::filesystem::path output = MakeOutputPathIn(folder, inputs[i], suffix, extension);
        std::error_code error;
        // A dangling symbolic link is a name the output would replace, too.
        if (std::filesystem::exists(std::filesystem::symlink_status(output, error)) &&
            !listed.Contains(output))
            ++count;
    }
    return count;
}

}  // namespace zel
