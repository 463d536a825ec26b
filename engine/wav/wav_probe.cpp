#include "engine/wav/wav_probe.h"

#include <algorithm>

#include "engine/base/file_byte_source.h"
#include "engine/wav/wav_chunk_reader.h"
#include "platform/file_handle.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFF;

WavFormat ColumnsOf(const WavLayout& layout) {
    const WavSampleFormat& f = layout.format;
    WavFormat format;
    format.formatTag = layout.formatTag;
    format.channels = f.channels;
    format.sampleRate = f.sampleRate;
    format.blockAlign = f.blockAlign;
    format.bitsPerSample = f.validBits;
    format.dataLength = static_cast<std::uint32_t>(std::min(layout.dataBytes, kMax32));
    return format;
}

}  // namespace

WavProbe ProbeWavFile(const std::filesystem::path& path) {
    WavProbe probe;
    // Opened as the conversion opens it, so anything but a regular file is refused at once.
    if (!platform::FileHandle::OpenForSequentialRead(path).IsOpen()) return probe;
    FileByteSource source(path);
    if (!source.IsOpen()) return probe;
    probe.status = WavProbe::Status::kRefused;
    // A leftover of an interrupted conversion is never taken as an input.
    if (platform::ReplacingFile::IsTemporaryName(path)) {
        probe.refusal.code = WavRefusal::kNotWave;
        return probe;
    }
    const WavReadOutcome read = ReadWavLayout(source);
    probe.refusal = read.refusal;
    if (!read.Accepted()) return probe;
    probe.format = ColumnsOf(read.layout);
    probe.layout = read.layout;
    probe.status = WavProbe::Status::kAccepted;
    return probe;
}

std::uint64_t DurationSeconds(const WavFormat& format) {
    if (format.blockAlign == 0 || format.sampleRate == 0) return 0;
    return format.dataLength / format.blockAlign / format.sampleRate;
}

std::uint64_t DurationSeconds(const WavProbe& probe) {
    if (probe.format.sampleRate == 0) return 0;
    return probe.layout.frameCount / probe.format.sampleRate;
}

}  // namespace zel
