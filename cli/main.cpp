// zel-cli: converts WAV files from the command line with the same engine as the desktop
// application.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_settings.h"
#include "batch/output_path.h"
#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "cpu/cpu_features.h"
#include "engine/batch_messages.h"
#include "engine/convert_file.h"

namespace {

using namespace zel;

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

int Refuse(const std::string& message) {
    std::fprintf(stderr, "zel-cli: %s\n", message.c_str());
    return kExitUsage;
}

void PrintCpuInfo() {
    const CpuFeatureLevel level = DetectCpuFeatures(nullptr);
    std::printf("brand: %s\n", ProcessorBrandText().c_str());
    std::printf("feature level: %d (%s)\n", level, FeatureLevelName(level));
    std::printf("builds:");
    for (SimdLevel simd = 0; simd <= MaxSimdLevel(level); ++simd)
        std::printf(" %d=%s", simd, SimdLevelName(simd));
    std::printf("\n");
}

std::int32_t ParseSpeed(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return ParseLeadingInteger(text);
}

}  // namespace

int main(int argc, char** argv) {
    const cli::ParseOutcome parsed =
        cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) return Refuse(parsed.error + " (see --help)");
    const cli::CliOptions& options = parsed.options;
    if (options.showHelp) {
        std::fputs(cli::UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (options.showVersion) {
        std::printf("zel-cli %s\n", ZEL_VERSION);
        return kExitOk;
    }
    if (options.showCpuInfo) {
        PrintCpuInfo();
        return kExitOk;
    }

    const std::int32_t rate = ParseLeadingInteger(options.rateText);
    const std::int32_t speed = ParseSpeed(options.speedText);
    const SettingsProblem problem =
        CheckBatchSettings(options.files.size(), options.suffix, rate, speed);
    if (problem != SettingsProblem::kNone)
        return Refuse(std::string(SettingsProblemMessage(problem)));

    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    const SimdLevel level = options.simdGiven ? options.simdLevel : maxLevel;
    if (level > maxLevel)
        return Refuse("this processor cannot run the " + std::string(SimdLevelName(level)) +
                      " build (highest: " + SimdLevelName(maxLevel) + ")");

    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    cli::TerminalProgress progress(stderr, showProgress, static_cast<int>(options.files.size()));
    const ConvertFunction convert = ConverterForLevel(level);
    bool allCompleted = true;
    int done = 0;
    for (const std::string& file : options.files) {
        progress.SetCurrentName(file);
        ConversionResult result = kOutputOpenError;
        if (SuffixIsUsable(options.suffix))
            result = convert(file, &progress, MakeOutputPath(file, options.suffix), rate, speed);
        progress.Send(WM_BATCH_PROGRESS, ++done, kAllFilesBar);
        progress.Clear();
        std::printf("%s\t%d\t%s\n", file.c_str(), result,
                    std::string(ConversionResultMessage(result)).c_str());
        std::fflush(stdout);
        allCompleted = allCompleted && result == kCompleted;
    }
    return allCompleted ? kExitOk : kExitSomeFailed;
}
