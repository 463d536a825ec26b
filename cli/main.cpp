// zel-cli: converts WAV files from the command line with the same engine as the desktop
// application.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_settings.h"
#include "batch/existing_output.h"
#include "batch/output_path.h"
#include "batch/speed_text.h"
#include "cli/batch_list.h"
#include "cli/cli_batch.h"
#include "cli/cli_options.h"
#include "cli/descriptor_budget.h"
#include "cli/file_list.h"
#include "cli/interrupt_flag.h"
#include "cli/json_result.h"
#include "cli/level_fields.h"
#include "cli/result_line.h"
#include "cli/result_writer.h"
#include "cli/terminal_progress.h"
#include "cpu/cpu_features.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/builds/conversion_builds.h"
#include "texts/message_catalogue.h"
#include "texts/ui_language.h"
#include "engine/sndfile/sound_file_formats.h"
#include "engine/convert/pipe_conversion.h"

namespace {

using namespace zel;

constexpr int kExitOk = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;
// The shell's status for a process ended by a signal is 128 + its number: 130 for SIGINT,
// 143 for SIGTERM, 129 for SIGHUP.
constexpr int kExitSignalBase = 128;

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

// A text that is no speed reads as none, which the settings check refuses.
SpeedRatio ParseSpeed(const std::string& text) {
    return ParseSpeedText(text, SpeedUnit::kPercent).value_or(SpeedRatio{0, 1});
}

constexpr const char* kKeepRateWord = "keep";

// Empty for "keep": every output at its input's rate.
std::optional<std::int32_t> ParseRate(const std::string& text) {
    if (text == kKeepRateWord) return std::nullopt;
    return ParseLeadingInteger(text);
}

std::string ResultText(const cli::CliOptions& options, const cli::BatchList& list,
                       std::size_t index, const ConversionOutcome& result, double seconds,
                       UiLanguage language) {
    const std::string& input = list.inputs[index];
    const std::string message = texts::OutcomeText(result, language);
    if (!options.jsonResults)
        return cli::ResultLine(
            input, result.code, message,
            {result.clippedSamples, result.nonFiniteSamples, result.metadataChunksLeftOut,
             cli::LevelTabFields(result.level)});
    const std::filesystem::path folder =
        list.outputFolders.empty() ? std::filesystem::path() : list.outputFolders[index];
    const std::string output =
        MakeOutputPathIn(folder, input, options.suffix, ContainerExtension(options.container))
            .string();
    return cli::JsonLine({input, output, result.code, message, result.framesIn, result.framesOut,
                          seconds, result.clippedSamples, result.nonFiniteSamples,
                          result.metadataChunksLeftOut, cli::LevelJsonFields(result.level)});
}

// The names on the command line, then those of --files-from; false with `error` set when
// the list cannot be read.
bool CollectNames(const cli::CliOptions& options, std::vector<std::string>& names,
                  std::string& error) {
    names = options.files;
    if (options.filesFrom.empty()) return true;
    std::string text;
    if (options.filesFrom == "-") {
        if (!cli::ReadStream(stdin, text)) {
            error = "cannot read the file list from standard input";
            return false;
        }
    } else {
        std::FILE* stream = std::fopen(options.filesFrom.c_str(), "rb");
        if (stream == nullptr) {
            error = "cannot open the file list '" + options.filesFrom +
                    "': " + std::strerror(errno);
            return false;
        }
        const bool read = cli::ReadStream(stream, text);
        std::fclose(stream);
        if (!read) {
            error = "cannot read the file list '" + options.filesFrom + "'";
            return false;
        }
    }
    const cli::FileListEntries listed = cli::SplitFileList(text, options.nulSeparated);
    if (listed.lineWithNul != 0) {
        error = "the file list '" + options.filesFrom + "' holds a NUL byte in line " +
                std::to_string(listed.lineWithNul) + " (a list of NUL-separated names needs -0)";
        return false;
    }
    names.insert(names.end(), listed.names.begin(), listed.names.end());
    return true;
}

// Names on stderr the files that stopped part way because the results could not be
// written, with what became of their outputs.
void ReportFilesCutShort(const cli::BatchList& list, const std::vector<ConversionOutcome>& results,
                         UiLanguage language) {
    for (std::size_t i = 0; i < results.size(); ++i) {
        const ConversionOutcome& result = results[i];
        const bool cut = result.code == kCancelled &&
                         (result.detail == ResultDetail::kPartialRemoved ||
                          result.detail == ResultDetail::kEarlierOutputKept);
        if (!cut) continue;
        const std::string line =
            cli::ResultLine(list.inputs[i], result.code, texts::OutcomeText(result, language));
        std::fprintf(stderr, "zel-cli: cut short: %s", line.c_str());
    }
}

int InterruptedStatus() {
    const int signal = cli::InterruptSignal();
    return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

// Cancelled when a file was cut short or files were left out; otherwise whether every
// file of the list was converted and every folder could be read.
int ExitStatus(const std::vector<ConversionOutcome>& results, const cli::BatchList& list) {
    const bool cancelled =
        results.size() < list.inputs.size() ||
        std::any_of(results.begin(), results.end(),
                    [](const ConversionOutcome& r) { return r.code == kCancelled; });
    if (cancelled) return InterruptedStatus();
    const bool allCompleted = std::all_of(
        results.begin(), results.end(), [](const ConversionOutcome& r) {
            return r.code == kCompleted || r.code == kSkippedExisting;
        });
    return allCompleted && list.unreadableFolders == 0 ? kExitOk : kExitSomeFailed;
}

}  // namespace

// Hears Ctrl-C, SIGTERM and SIGHUP between blocks of a piped conversion.
class InterruptProgress : public ConversionProgress {
  public:
    bool Continue(std::int64_t) override { return !cli::InterruptFlag(); }
};

// "-" alone: standard input converted to standard output. The audio takes standard
// output, so the outcome goes to standard error, and only when it is not a success.
int ConvertStandardStreams(const ConversionSettings& settings, SimdLevel level,
                           UiLanguage language) {
    platform::FileHandle input = platform::FileHandle::Duplicate(STDIN_FILENO);
    platform::FileHandle output = platform::FileHandle::Duplicate(STDOUT_FILENO);
    if (!input.IsOpen() || !output.IsOpen()) return Refuse("standard input or output is closed");
    InterruptProgress progress;
    const ConversionOutcome outcome =
        ConvertDescriptors(input, output, &progress, settings, BuildForLevel(level).kernels);
    if (outcome.code == kCancelled) return InterruptedStatus();
    const std::string notes = texts::OutcomeNotesText(outcome, language);
    if (outcome.code < 0 || !notes.empty())
        std::fprintf(stderr, "zel-cli: -: %s%s\n", texts::OutcomeText(outcome, language).c_str(),
                     notes.c_str());
    return outcome.code < 0 ? kExitSomeFailed : kExitOk;
}

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

    // Without an open standard output the results would be lost, and the first file
    // opened would take its descriptor.
    if (::fcntl(STDOUT_FILENO, F_GETFD) < 0) {
        std::fprintf(stderr, "zel-cli: cannot write the results: standard output is closed\n");
        return kExitSomeFailed;
    }
    const UiLanguage language = UiLanguageFromEnvironment();
    const std::optional<std::int32_t> rate = ParseRate(options.rateText);
    const SpeedRatio speed = ParseSpeed(options.speedText);
    std::vector<std::string> names;
    std::string listError;
    if (!CollectNames(options, names, listError)) return Refuse(listError);
    const bool standardStreams = names.size() == 1 && names.front() == "-";
    // Before the walks, which can take long on a large tree: Ctrl-C there stops at once,
    // with nothing written.
    cli::InstallInterruptHandlers();
    const cli::BatchList list = cli::BuildBatchList(
        standardStreams ? std::vector<std::string>() : names, options, &cli::InterruptFlag());
    if (list.stopped || cli::InterruptFlag()) return InterruptedStatus();
    if (!list.error.empty()) return Refuse(list.error);
    for (const std::string& line : list.leftOutFolders)
        std::fprintf(stderr, "zel-cli: %s\n", line.c_str());
    // Nothing to convert because nothing could be read: the folders named are the cause.
    if (list.filesFound == 0 && list.unreadableFolders > 0) return kExitSomeFailed;
    const SettingsProblem problem = CheckBatchSettings(
        standardStreams ? 1 : list.filesFound, options.suffix, rate, speed);
    if (problem != SettingsProblem::kNone)
        return Refuse(std::string(texts::SettingsProblemText(problem, language)));

    const SimdLevel maxLevel = MaxSimdLevel(DetectCpuFeatures(nullptr));
    const SimdLevel level = options.simdGiven ? options.simdLevel : maxLevel;
    if (level > maxLevel)
        return Refuse("this processor cannot run the " + std::string(SimdLevelName(level)) +
                      " build (highest: " + SimdLevelName(maxLevel) + ")");

    const ConversionSettings conversion{.targetRate = rate.value_or(0),
                                        .speed = speed,
                                        .quality = options.quality,
                                        .dither = options.dither,
                                        .stripMetadata = options.stripMetadata,
                                        .container = options.container,
                                        .depth = options.depth,
                                        .level = options.level,
                                        .keepInputRate = !rate,
                                        .keepPitch = options.keepPitch};
    if (standardStreams) return ConvertStandardStreams(conversion, level, language);
    const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO);
    cli::TerminalProgress progress(stderr, showProgress);
    const int jobs = cli::WorkersWithinDescriptorLimit(options.jobs);
    const cli::CliBatchSettings settings{options.suffix, conversion, level, jobs,
                                         options.skipExisting};
    cli::ResultWriter writer(STDOUT_FILENO);
    bool resultsAbandoned = false;
    cli::CliBatch batch(
        list.inputs, list.outputFolders, settings, cli::InterruptFlag(), progress,
        [&](std::size_t index, const ConversionOutcome& result, double seconds) {
            const std::string line = ResultText(options, list, index, result, seconds, language);
            switch (writer.Write(line, cli::InterruptFlag())) {
                case cli::ResultWriter::Status::kWritten:
                    return true;
                case cli::ResultWriter::Status::kFailed:
                    return false;
                case cli::ResultWriter::Status::kAbandoned:
                    resultsAbandoned = true;
                    return false;
            }
            return false;
        });
    const std::vector<ConversionOutcome> results = batch.Run();
    if (resultsAbandoned) {
        std::fprintf(stderr, "zel-cli: cancelled while standard output was not being read; "
                             "later results were not written\n");
        return InterruptedStatus();
    }
    if (batch.SinkFailed()) {
        std::fprintf(stderr, "zel-cli: cannot write the results: %s\n",
                     std::strerror(writer.Error()));
        ReportFilesCutShort(list, results, language);
        return kExitSomeFailed;
    }
    return ExitStatus(results, list);
}
