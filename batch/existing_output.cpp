#include "batch/existing_output.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include "batch/batch_inputs.h"
#include "batch/output_path.h"
#include "engine/wav_header.h"
#include "platform/file_handle.h"

namespace zel {
namespace {

constexpr std::int64_t kNormalSpeedPercent = 100;

struct StoredHeader {
    WavHeader header;
    std::int64_t fileSize = 0;
};

std::optional<StoredHeader> ReadAcceptedHeader(const std::filesystem::path& path) {
    platform::FileHandle file = platform::FileHandle::OpenForSequentialRead(path);
    if (!file.IsOpen()) return std::nullopt;
    StoredHeader stored;
    std::size_t got = 0;
    if (!file.Read(stored.header.bytes.data(), kWavHeaderSize, got) || got < kWavHeaderSize ||
        CheckHeader(stored.header) != HeaderVerdict::kAccepted)
        return std::nullopt;
    stored.fileSize = file.Size();
    return stored;
}

// The frames a conversion reads: those inside both the data chunk and the file.
std::int64_t FramesPresent(const StoredHeader& stored) {
    const WavFormat format = FormatOf(stored.header);
    const std::int64_t data = std::min<std::int64_t>(
        format.dataLength, std::max<std::int64_t>(0, stored.fileSize - kWavHeaderSize));
    return data / format.blockAlign;
}

bool SizesAgreeWithFile(const StoredHeader& stored) {
    const std::int64_t data = stored.header.U32(wav_offset::kDataSize);
    const std::int64_t riff = stored.header.U32(wav_offset::kRiffSize);
    return riff == data + 36 && stored.fileSize == data + static_cast<std::int64_t>(kWavHeaderSize);
}

}  // namespace

bool IsFinishedOutput(const std::filesystem::path& output, const std::filesystem::path& input,
                      const ConversionSettings& settings) {
    if (!settings.IsConvertible()) return false;
    const std::optional<StoredHeader> out = ReadAcceptedHeader(output);
    if (!out || !SizesAgreeWithFile(*out)) return false;
    const std::optional<StoredHeader> in = ReadAcceptedHeader(input);
    if (!in) return false;
    const WavFormat outFormat = FormatOf(out->header);
    const WavFormat inFormat = FormatOf(in->header);
    if (outFormat.sampleRate != static_cast<std::uint32_t>(settings.targetRate) ||
        outFormat.channels != inFormat.channels ||
        outFormat.bitsPerSample != inFormat.bitsPerSample)
        return false;
    // A finished conversion writes at least floor(frames * Q / P) frames; a cancel stops
    // before the last block, which always adds at least one frame at our rates.
    const std::int64_t p = static_cast<std::int64_t>(inFormat.sampleRate) * settings.speedPercent;
    const std::int64_t q = static_cast<std::int64_t>(settings.targetRate) * kNormalSpeedPercent;
    const std::int64_t expected = FramesPresent(*in) * q / p;
    return FramesPresent(*out) >= expected;
}

std::size_t CountExistingOutputs(const std::vector<std::string>& inputs,
                                 const std::vector<std::filesystem::path>& folders,
                                 const std::string& suffix) {
    const BatchInputs listed(inputs);
    std::size_t count = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::filesystem::path folder =
            i < folders.size() ? folders[i] : std::filesystem::path();
        const std::filesystem::path output = MakeOutputPathIn(folder, inputs[i], suffix);
        std::error_code error;
        // A dangling symbolic link is a name the output would replace, too.
        if (std::filesystem::exists(std::filesystem::symlink_status(output, error)) &&
            !listed.Contains(output))
            ++count;
    }
    return count;
}

}  // namespace zel
