#include "tests/support/wav_reader.h"

#include <algorithm>
#include <stdexcept>

#include "engine/codec/sample_encoding.h"

namespace zel::test {

LoadedWav LoadWav(const std::filesystem::path& path) {
    LoadedWav wav;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    if (bytes.size() < kWavHeaderSize) return wav;
    std::copy_n(bytes.begin(), kWavHeaderSize, wav.header.bytes.begin());
    wav.fileSize = bytes.size();
    wav.format = FormatOf(wav.header);
    const std::size_t dataEnd =
        std::min<std::size_t>(bytes.size(), kWavHeaderSize + wav.format.dataLength);
    if (wav.format.bitsPerSample == 16) {
        for (std::size_t i = kWavHeaderSize; i + 1 < dataEnd; i += 2)
            wav.samples.push_back(ReadInt16(bytes.data() + i));
    } else {
        for (std::size_t i = kWavHeaderSize; i < dataEnd; ++i) wav.samples.push_back(bytes[i]);
    }
    wav.ok = true;
    return wav;
}

void WriteWav(const std::filesystem::path& path, const SignalFormat& format,
              const SampleValues& samples) {
    if (!WriteFileBytes(path, MakeWavBytes(format, samples)))
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace zel::test
