#include "engine/wav_probe.h"

#include "platform/file_handle.h"
#include "platform/replacing_file.h"

namespace zel {

WavProbe ProbeWavFile(const std::filesystem::path& path) {
    WavProbe probe;
    platform::FileHandle file = platform::FileHandle::OpenForSequentialRead(path);
    if (!file.IsOpen()) return probe;
    probe.status = WavProbe::Status::kRefused;
    WavHeader header;
    std::size_t got = 0;
    if (!file.Read(header.bytes.data(), kWavHeaderSize, got) || got < kWavHeaderSize)
        return probe;
    // A leftover of an interrupted conversion is never taken as an input.
    if (platform::ReplacingFile::IsTemporaryName(path)) return probe;
    probe.verdict = CheckHeader(header);
    probe.format = FormatOf(header);
    if (probe.verdict == HeaderVerdict::kAccepted) probe.status = WavProbe::Status::kAccepted;
    return probe;
}

std::uint64_t DurationSeconds(const WavFormat& format) {
    if (format.blockAlign == 0 || format.sampleRate == 0) return 0;
    return format.dataLength / format.blockAlign / format.sampleRate;
}

}  // namespace zel
