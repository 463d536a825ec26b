// zel-samples: writes a small set of WAV files (8/16-bit, mono/stereo, a few rates) into
// a folder, to try the converter on.

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/synthetic_wav.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zel-samples FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "zel-samples: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    struct Sample {
        const char* name;
        zel::SignalFormat format;
        double seconds;
        double hertz;
    };
    const Sample samples[] = {
        {"tone_44100_stereo16.wav", {2, 16, 44100}, 3.0, 440.0},
        {"tone_48000_mono16.wav", {1, 16, 48000}, 2.0, 1000.0},
        {"tone_22050_stereo8.wav", {2, 8, 22050}, 2.0, 330.0},
        {"tone_8000_mono8.wav", {1, 8, 8000}, 1.5, 250.0},
        {"tone_11025_mono16.wav", {1, 16, 11025}, 1.0, 700.0},
    };
    for (const Sample& s : samples) {
        const auto frames = static_cast<std::int64_t>(s.seconds * s.format.sampleRate);
        const auto bytes =
            zel::MakeWavBytes(s.format, zel::SineSignal(s.format, frames, s.hertz, 0.5));
        const std::filesystem::path path = folder / s.name;
        if (!zel::WriteFileBytes(path, bytes)) {
            std::fprintf(stderr, "zel-samples: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
