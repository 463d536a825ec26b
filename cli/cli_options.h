#pragma once
// zel-cli's command line.

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_settings.h"
#include "cli/shard.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"

namespace zel::cli {

struct CliOptions {
    std::string rateText = std::to_string(kDefaultTargetRate);
    std::string speedText = std::to_string(kDefaultSpeedPercent);
    bool keepPitch = false;
    std::string suffix = kDefaultSuffix;
    SimdLevel simdLevel = 0;
    bool simdGiven = false;
    int jobs = 1;
    ConversionQuality quality = ConversionQuality::kStandard;
    DitherChoice dither = DitherChoice::kAuto;
    OutputContainer container = OutputContainer::kSame;
    OutputDepth depth = OutputDepth::kSame;
    LevelSettings level{};
    bool quiet = false;
    bool stripMetadata = false;
    bool showHelp = false;
    bool showVersion = false;
    bool showCpuInfo = false;
    // Folders among the files are walked for WAV files.
    bool recursive = false;
    // Empty: outputs beside their inputs.
    std::string outputDir;
    // Empty: none; "-": standard input.
    std::string filesFrom;
    bool nulSeparated = false;
    bool skipExisting = false;
    bool jsonResults = false;
    std::optional<Shard> shard;
    std::vector<std::string> files;
};

struct ParseOutcome {
    CliOptions options;
    // Empty when the command line was understood.
    std::string error;
};

// Options may stand anywhere; "--" ends them. Values follow as the next argument or after
// '=' ("--rate 44100", "--rate=44100").
ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace zel::cli
