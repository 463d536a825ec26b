#include "cli/cli_options.h"

#include <charconv>

#include "cpu/cpu_features.h"

namespace zel::cli {
namespace {

bool ParseWholeNumber(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool TakesValue(const std::string& name) {
    return name == "--rate" || name == "--speed" || name == "--suffix" || name == "--simd" ||
           name == "--jobs";
}

// "0".."4" or a build's name (sse4.1 too); -1 when the text names no build.
SimdLevel ParseSimdLevel(const std::string& text) {
    for (const ConversionBuild& build : ConversionBuilds())
        if (text == build.name || text == std::to_string(build.level)) return build.level;
    if (text == "sse4.1") return 4;
    return -1;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
    ParseOutcome outcome;
    CliOptions& options = outcome.options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (TakesValue(name) && !hasValue) {
            if (i + 1 >= args.size()) {
                outcome.error = "option " + name + " needs a value";
                return outcome;
            }
            value = args[++i];
            hasValue = true;
        }
        if (name == "--rate") {
            options.rateText = value;
        } else if (name == "--speed") {
            options.speedText = value;
        } else if (name == "--suffix") {
            options.suffix = value;
        } else if (name == "--simd") {
            options.simdLevel = ParseSimdLevel(value);
            options.simdGiven = true;
            if (options.simdLevel < 0) {
                outcome.error =
                    "unknown SIMD level '" + value + "' (use 0..4 or none, sse, sse2, sse3, sse41)";
                return outcome;
            }
        } else if (name == "--jobs") {
            if (!ParseWholeNumber(value, options.jobs) || options.jobs < 1) {
                outcome.error = "--jobs needs a whole number of at least 1";
                return outcome;
            }
        } else if (name == "--strip-metadata") {
            options.stripMetadata = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--help" || name == "-h") {
            options.showHelp = true;
        } else if (name == "--version") {
            options.showVersion = true;
        } else if (name == "--cpu-info") {
            options.showCpuInfo = true;
        } else {
            outcome.error = "unknown option '" + arg + "'";
            return outcome;
        }
    }
    return outcome;
}

std::string UsageText() {
    return "Usage: zel-cli [OPTION]... FILE...\n"
           "Convert the sampling frequency (and playback speed) of WAV files.\n"
           "Each output is written next to its input, named with the suffix inserted\n"
           "before the last '.' of the file name (voice.wav -> voice_ZEL.wav), or\n"
           "appended when the name has none. An output that would replace one of the\n"
           "listed files (same name, a link to it) is refused with code -3.\n"
           "\n"
           "Options:\n"
           "  --rate HZ        target sampling frequency, 8000..96000 (default 48000)\n"
           "  --speed PERCENT  playback speed in percent, 50..200 (default 100)\n"
           "  --suffix TEXT    inserted into output names (default _ZEL)\n"
           "  --simd LEVEL     build: 0|none, 1|sse, 2|sse2, 3|sse3, 4|sse41\n"
           "                   (default: the highest this processor runs)\n"
           "  --jobs N         convert up to N files at once, one worker each\n"
           "                   (default 1); results and outputs are the same as with 1\n"
           "  --strip-metadata outputs get no chunk but fmt and data (by default the\n"
           "                   input's LIST, bext, iXML, cue, smpl, ... chunks are kept,\n"
           "                   their frame positions moved to the new rate)\n"
           "  --quiet, -q      no progress display (none either when stderr is not a\n"
           "                   terminal)\n"
           "  --cpu-info       print the processor's brand, feature level and builds\n"
           "  --help, -h       show this help\n"
           "  --version        show the version\n"
           "\n"
           "Inputs: RIFF, RF64 and RIFX WAV files with PCM of 8 to 32 bits, float of 32 or\n"
           "64 bits, mu-law or A-law, 1 to 32 channels, EXTENSIBLE headers included.\n"
           "Each output keeps its input's encoding, bits, channels and speaker mask:\n"
           "  8/16-bit PCM, 1-2 channels, no chunk before the data: the plain 44-byte header\n"
           "  more channels, more bits or a speaker mask: WAVE_FORMAT_EXTENSIBLE\n"
           "  float, mu-law, A-law: their format tag with a fact chunk\n"
           "  past 4 GiB: RF64 with ds64 (others hold a JUNK chunk reserved for it)\n"
           "Refused inputs (code -2) are named with the reason (compressed, no data, ...).\n"
           "\n"
           "Output: one line per file, in the order given, <input><TAB><code><TAB><message>.\n"
           "In <input>, \\ is written \\\\, a tab \\t, a newline \\n, a carriage return \\r\n"
           "and any other control byte \\xHH, so every file takes one line.\n"
           "Ctrl-C, SIGTERM and SIGHUP cancel: the files in progress end with code 1 and\n"
           "keep what was converted so far as valid WAV files, unless a file of the output's\n"
           "name existed, which is then left as it was; no further file is started. A second\n"
           "signal ends zel-cli at once. --jobs runs fewer workers when the open-file limit\n"
           "cannot hold N of them (three descriptors each).\n"
           "Exit status: 0 all files converted, 1 some file failed or the results could not\n"
           "be written, 2 bad command line, 130/143/129 cancelled by SIGINT/SIGTERM/SIGHUP.\n";
}

}  // namespace zel::cli
