#include "batch/existing_output.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include "batch/batch_inputs.h"
#include "batch/output_path.h"
#include "engine/convert/output_frame_count.h"
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

bool IsFinishedOutput(const std::filesystem::path& output, const std::filesystem::path& input,
                      const ConversionSettings& settings, std::int64_t blockLimit) {
    if (!settings.IsConvertible()) return false;
    const std::optional<WavLayout> out = ReadLayout(output);
    if (!out || !out->sizesAgree) return false;
    const std::optional<WavLayout> in = ReadLayout(input);
    if (!in) return false;
    const WavSampleFormat& outFormat = out->format;
    const WavSampleFormat& inFormat = in->format;
    // The samples the conversion would write: the input's, or the depth chosen.
    const WavSampleFormat wanted = WithDepth(inFormat, settings.depth);
    if (outFormat.sampleRate != static_cast<std::uint32_t>(settings.targetRate) ||
        outFormat.channels != inFormat.channels || outFormat.encoding != wanted.encoding ||
        outFormat.validBits != wanted.validBits)
        return false;
    return out->frameCount ==
           OutputFrameCount(in->frameCount, inFormat.sampleRate, settings, blockLimit);
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
