// zel-cli: converts WAV files from the command line with the same engine as the desktop
// application.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_settings.h"
#include "cli/cli_batch.h"
#include "cli/cli_options.h"
#include "cli/interrupt_flag.h"
#include "cli/message_language.h"
#include "cli/terminal_progress.h"
#include "cpu/cpu_features.h"
#include "engine/conversion_result.h"
#include "engine/convert_file.h"

namespace {

using namespace zel;

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;
// The shell's status for a process ended by SIGINT: 128 + 2.
constexpr int kExitInterrupted = 130;

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

void PrintResult(const cli::MessageLanguage& language, const std::string& input,
                 ConversionResult result) {
    std::printf("%s\t%d\t%s\n", input.c_str(), result,
                language.Text(ConversionResultMessage(result)).c_str());
    std::fflush(stdout);
}

// Cancelled when a file was cut short or files were left out; otherwise whether every
// file was converted.
int ExitStatus(const std::vector<ConversionResult>& results, std::size_t fileCount) {
    const bool cancelled = results.size() < fileCount ||
                           std::find(results.begin(), results.end(), kCancelled) != results.end();
    if (cancelled) return kExitInterrupted;
    const bool allCompleted = std::all_of(results.begin(), results.end(),
                                          [](ConversionResult r) { return r == kCompleted; });
    return allCompleted ? kExitOk : kExitSomeFailed;
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

    const cli::MessageLanguage language;
    const std::int32_t rate = ParseLeadingInteger(options.rateText);
    const std::int32_t speed = ParseSpeed(options.speedText);
    const SettingsProblem problem =
        CheckBatchSettings(options.files.size(), options.suffix, rate, speed);
    if (problem != SettingsProblem::kNone)
        return Refuse(language.Text(SettingsProblemMessage(problem)));

    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    const SimdLevel level = options.simdGiven ? options.simdLevel : maxLevel;
    if (level > maxLevel)
        return Refuse("this processor cannot run the " + std::string(SimdLevelName(level)) +
                      " build (highest: " + SimdLevelName(maxLevel) + ")");

    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    cli::TerminalProgress progress(stderr, showProgress);
    cli::InstallInterruptHandler();
    cli::CliBatchSettings settings{options.suffix, rate, speed, level, options.jobs};
    cli::CliBatch batch(options.files, settings, cli::InterruptFlag(), progress,
                        [&language](const std::string& input, ConversionResult result) {
                            PrintResult(language, input, result);
                        });
    const std::vector<ConversionResult> results = batch.Run();
    return ExitStatus(results, options.files.size());
}
