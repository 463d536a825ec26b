#include "batch/existing_output.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include "batch/batch_inputs.h"
#include "batch/output_path.h"
#include "engine/byte_order.h"
#include "engine/file_byte_source.h"
#include "engine/wav_chunk_reader.h"
#include "platform/file_handle.h"

namespace zel {
namespace {

constexpr std::int64_t kNormalSpeedPercent = 100;
constexpr std::uint64_t kRiffSizeOffset = 4;
constexpr std::uint64_t kRiffHeadBytes = 8;

struct StoredLayout {
    WavLayout layout;
    // Every size agrees with the file: no open-ended or cut data chunk and, in a plain
    // RIFF file, a RIFF size that is the file's length.
    bool complete = false;
};

// The layout of a WAV file the conversion reads. Anything but a regular file is refused
// without waiting on it.
std::optional<StoredLayout> ReadStoredLayout(const std::filesystem::path& path) {
    if (!platform::FileHandle::OpenForSequentialRead(path).IsOpen()) return std::nullopt;
    FileByteSource source(path);
    if (!source.IsOpen()) return std::nullopt;
    const WavReadOutcome read = ReadWavLayout(source);
    if (!read.Accepted()) return std::nullopt;
    StoredLayout stored{read.layout, !read.layout.dataSizeUnknown && !read.layout.dataTruncated};
    if (stored.complete && read.layout.container == WavContainer::kRiff) {
        std::uint8_t size[4];
        stored.complete = source.ReadAt(kRiffSizeOffset, size, sizeof size) &&
                          LoadU32(size, false) + kRiffHeadBytes == source.Size();
    }
    return stored;
}

}  // namespace

bool IsFinishedOutput(const std::filesystem::path& output, const std::filesystem::path& input,
                      const ConversionSettings& settings) {
    if (!settings.IsConvertible()) return false;
    const std::optional<StoredLayout> out = ReadStoredLayout(output);
    if (!out || !out->complete) return false;
    const std::optional<StoredLayout> in = ReadStoredLayout(input);
    if (!in) return false;
    const WavSampleFormat& outFormat = out->layout.format;
    const WavSampleFormat& inFormat = in->layout.format;
    if (outFormat.sampleRate != static_cast<std::uint32_t>(settings.targetRate) ||
        outFormat.channels != inFormat.channels || outFormat.encoding != inFormat.encoding ||
        outFormat.validBits != inFormat.validBits)
        return false;
    // A finished conversion writes at least floor(frames * Q / P) frames; a cancel stops
    // before the last block, which always adds at least one frame at our rates.
    const std::int64_t p = static_cast<std::int64_t>(inFormat.sampleRate) * settings.speedPercent;
    const std::int64_t q = static_cast<std::int64_t>(settings.targetRate) * kNormalSpeedPercent;
    const auto expected =
        static_cast<std::uint64_t>(static_cast<unsigned __int128>(in->layout.frameCount) *
                                   static_cast<std::uint64_t>(q) / static_cast<std::uint64_t>(p));
    return out->layout.frameCount >= expected;
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
