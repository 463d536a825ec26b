#include "engine/wav/wav_probe.h"

#include "engine/base/file_byte_source.h"
#include "engine/wav/wav_chunk_reader.h"
#include "platform/file_handle.h"
#include "platform/replacing_file.h"

namespace zel {
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
    probe.layout = read.layout;
    probe.status = WavProbe::Status::kAccepted;
    return probe;
}

}  // namespace zel
