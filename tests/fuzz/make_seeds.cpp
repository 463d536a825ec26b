// Writes small valid inputs for the WAV fuzzer: every layout at a few rates, each behind
// the three control bytes the fuzzer reads first.

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/synthetic_wav.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zel-fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const zel::SignalFormat formats[] = {
        {1, 8, 8000}, {2, 8, 11025}, {1, 16, 22050}, {2, 16, 44100}, {2, 16, 48000}, {1, 16, 96000},
    };
    int index = 0;
    for (const zel::SignalFormat& format : formats) {
        for (std::int64_t frames : {0, 7, 300, 1500}) {
            auto bytes = zel::MakeWavBytes(format, zel::SineSignal(format, frames, 440.0, 0.7));
            const std::uint8_t control[] = {static_cast<std::uint8_t>(index % 7),
                                            static_cast<std::uint8_t>(index * 37 % 151),
                                            static_cast<std::uint8_t>(index % 4)};
            bytes.insert(bytes.begin(), control, control + 3);
            zel::WriteFileBytes(folder / ("seed" + std::to_string(index++) + ".bin"), bytes);
        }
    }
    return 0;
}
