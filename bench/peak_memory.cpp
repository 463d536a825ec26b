// Peak memory of one conversion: each case runs in a child process of its own, and the
// child's maximum resident set is read back when it ends. A child that converts nothing
// gives the baseline of the process itself.

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "cpu/cpu_features.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "tools/synthetic_wav.h"

namespace {

// Peak resident set of a child running `body`, in KiB; -1 on failure.
long ChildPeakKiB(const std::function<int()>& body, int& status) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) _exit(body());
    int raw = 0;
    struct rusage usage {};
    if (::wait4(child, &raw, 0, &usage) != child) return -1;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return usage.ru_maxrss;
}

struct Case {
    const char* what;
    zel::SignalFormat format;
    double seconds;
    std::int32_t target;
    std::int32_t speed;
    zel::ConversionQuality quality = zel::ConversionQuality::kStandard;
};

}  // namespace

int main(int argc, char** argv) {
    // A child starts with the pages this process holds; large blocks (the test signals) must
    // go back to the system when freed instead of staying in the heap, as glibc's moving
    // threshold would otherwise have it after the first one.
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const Case cases[] = {
        {"44100 -> 48000, 60 s stereo 16-bit", {2, 16, 44100}, 60.0, 48000, 100},
        {"11025 at 199 % -> 96000 (P=29253, Q=128000), 10 s mono 16-bit",
         {1, 16, 11025},
         10.0,
         96000,
         199},
        {"8000 at 200 % -> 96000, 10 s stereo 16-bit", {2, 16, 8000}, 10.0, 96000, 200},
        {"high: 44100 -> 48000, 60 s stereo 16-bit", {2, 16, 44100}, 60.0, 48000, 100,
         zel::ConversionQuality::kHigh},
        {"high: 11025 at 77 % -> 96000, 10 s stereo 16-bit", {2, 16, 11025}, 10.0, 96000, 77,
         zel::ConversionQuality::kHigh},
        {"best: 44100 -> 48000, 60 s stereo 16-bit", {2, 16, 44100}, 60.0, 48000, 100,
         zel::ConversionQuality::kBest},
        {"best: 11025 at 77 % -> 96000, 10 s stereo 16-bit", {2, 16, 11025}, 10.0, 96000, 77,
         zel::ConversionQuality::kBest},
    };
    int status = 0;
    const long baseline = ChildPeakKiB([] { return 0; }, status);
    std::printf("baseline process: %ld KiB\n", baseline);
    const zel::SimdLevel maxLevel = zel::MaxSimdLevel(zel::DetectCpuFeatures(nullptr));
    for (const Case& c : cases) {
        const auto input = dir / "zel-memory-in.wav";
        const auto output = dir / "zel-memory-out.wav";
        const auto frames = static_cast<std::int64_t>(c.seconds * c.format.sampleRate);
        zel::WriteFileBytes(
            input, zel::MakeWavBytes(c.format, zel::SineSignal(c.format, frames, 440.0, 0.5)));
        for (zel::SimdLevel level : {0, maxLevel}) {
            const long peak = ChildPeakKiB(
                [&] {
                    zel::ConversionSettings settings;
                    settings.targetRate = c.target;
                    settings.speed = zel::SpeedFromPercent(c.speed);
                    settings.quality = c.quality;
                    return -zel::ConvertFile(input, nullptr, output, settings,
                                             zel::BuildForLevel(level).kernels)
                                .code;
                },
                status);
            std::printf("%-64s build %-5s peak %7ld KiB (%+ld KiB over baseline), result %d\n",
                        c.what, zel::SimdLevelName(level), peak, peak - baseline, -status);
        }
        std::filesystem::remove(input);
        std::filesystem::remove(output);
    }
    return 0;
}
