#include "tests/support/wav_files.h"

#include <algorithm>
#include <vector>

#include "engine/wav_header.h"

namespace zel::test {

bool WriteTone(const std::filesystem::path& path, const SignalFormat& format, std::int64_t frames) {
    return WriteFileBytes(path, MakeWavBytes(format, SineSignal(format, frames, 440.0, 0.5)));
}

StoredWav InspectWav(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    StoredWav stored;
    if (bytes.size() < kWavHeaderSize) return stored;
    WavHeader header;
    std::copy_n(bytes.begin(), kWavHeaderSize, header.bytes.begin());
    const WavFormat format = FormatOf(header);
    stored.sampleRate = format.sampleRate;
    stored.dataBytes = format.dataLength;
    stored.blockAlign = format.blockAlign;
    stored.consistent = HasCanonicalIdentifiers(header) &&
                        header.U32(wav_offset::kRiffSize) == bytes.size() - 8 &&
                        format.dataLength == bytes.size() - kWavHeaderSize &&
                        format.blockAlign != 0 && format.dataLength % format.blockAlign == 0;
    return stored;
}

}  // namespace zel::test
