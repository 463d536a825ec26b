#include "cli/cli_options.h"

#include <charconv>
#include <optional>

#include "cpu/cpu_features.h"
#include "engine/resample/builds/conversion_builds.h"

namespace zel::cli {
namespace {

bool ParseWholeNumber(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool TakesValue(const std::string& name) {
    return name == "--rate" || name == "--speed" || name == "--suffix" || name == "--simd" ||
           name == "--jobs" || name == "--output-dir" || name == "--files-from" ||
           name == "--results" || name == "--shard" || name == "--quality" ||
           name == "--format" || name == "--bits" || name == "--gain" ||
           name == "--headroom" || name == "--loudness" || name == "--true-peak";
}

// A word on the command line and the code it stands for.
template <typename Code>
struct Word {
    const char* text;
    Code code;
};

constexpr Word<OutputContainer> kContainerWords[] = {
    {"same", OutputContainer::kSame}, {"wav", OutputContainer::kWav},
    {"flac", OutputContainer::kFlac}, {"aiff", OutputContainer::kAiff},
    {"w64", OutputContainer::kW64},   {"caf", OutputContainer::kCaf},
    {"ogg", OutputContainer::kOgg},   {"opus", OutputContainer::kOpus},
    {"mp3", OutputContainer::kMp3}};
constexpr Word<OutputDepth> kDepthWords[] = {
    {"same", OutputDepth::kSame},   {"8", OutputDepth::kInt8},
    {"16", OutputDepth::kInt16},    {"24", OutputDepth::kInt24},
    {"32", OutputDepth::kInt32},    {"f32", OutputDepth::kFloat32},
    {"f64", OutputDepth::kFloat64}};
constexpr Word<DitherChoice> kDitherWords[] = {{"auto", DitherChoice::kAuto},
                                               {"none", DitherChoice::kNone},
                                               {"tpdf", DitherChoice::kTpdf},
                                               {"shaped", DitherChoice::kShaped}};

template <typename Code, std::size_t N>
std::optional<Code> CodeOf(const Word<Code> (&words)[N], const std::string& text) {
    for (const Word<Code>& word : words)
        if (text == word.text) return word.code;
    return std::nullopt;
}

template <typename Code, std::size_t N>
std::string WordList(const Word<Code> (&words)[N]) {
    std::string list;
    for (const Word<Code>& word : words) list += (list.empty() ? "" : ", ") + std::string(word.text);
    return list;
}

// A decimal number (dB, LUFS) within [low, high].
std::optional<double> ParseLevel(const std::string& text, double low, double high) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value >= low && value <= high)) return std::nullopt;
    return value;
}

// The level options' ranges: beyond them a gain only destroys the signal.
constexpr double kMostGainDb = 60.0;
constexpr double kQuietestTargetLufs = -70.0;
constexpr double kLoudestTargetLufs = 0.0;
constexpr double kLowestCeilingDbtp = -20.0;

// "0".."6" or a build's name (sse4.1 too); -1 when the text names no build.
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
        // A bare --dither (as before it took a mode) asks for TPDF; a mode may follow.
        if (name == "--dither" && !hasValue && i + 1 < args.size() &&
            CodeOf(kDitherWords, args[i + 1])) {
            value = args[++i];
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
                outcome.error = "unknown SIMD level '" + value +
                                "' (use 0..6 or none, sse, sse2, sse3, sse41, avx2, avx512)";
                return outcome;
            }
        } else if (name == "--jobs") {
            if (!ParseWholeNumber(value, options.jobs) || options.jobs < 1) {
                outcome.error = "--jobs needs a whole number of at least 1";
                return outcome;
            }
        } else if (name == "--quality") {
            if (value != "standard" && value != "high" && value != "best") {
                outcome.error = "unknown quality '" + value + "' (use standard, high or best)";
                return outcome;
            }
            options.quality = value == "high"   ? ConversionQuality::kHigh
                              : value == "best" ? ConversionQuality::kBest
                                                : ConversionQuality::kStandard;
        } else if (name == "--dither") {
            const auto dither = hasValue ? CodeOf(kDitherWords, value) : DitherChoice::kTpdf;
            if (!dither) {
                outcome.error = "unknown dither '" + value + "' (use " + WordList(kDitherWords) + ")";
                return outcome;
            }
            options.dither = *dither;
        } else if (name == "--format") {
            const auto container = CodeOf(kContainerWords, value);
            if (!container) {
                outcome.error =
                    "unknown format '" + value + "' (use " + WordList(kContainerWords) + ")";
                return outcome;
            }
            options.container = *container;
        } else if (name == "--bits") {
            const auto depth = CodeOf(kDepthWords, value);
            if (!depth) {
                outcome.error = "unknown bits '" + value + "' (use " + WordList(kDepthWords) + ")";
                return outcome;
            }
            options.depth = *depth;
        } else if (name == "--gain") {
            const auto gain = ParseLevel(value, -kMostGainDb, kMostGainDb);
            if (!gain) {
                outcome.error = "--gain needs a number of dB within -60..60";
                return outcome;
            }
            options.level.gainDb = *gain;
        } else if (name == "--headroom") {
            if (value != "auto" && value != "off") {
                outcome.error = "--headroom takes auto or off";
                return outcome;
            }
            options.level.headroomAuto = value == "auto";
        } else if (name == "--loudness") {
            options.level.loudnessTarget = ParseLevel(value, kQuietestTargetLufs, kLoudestTargetLufs);
            if (!options.level.loudnessTarget) {
                outcome.error = "--loudness needs a target in LUFS within -70..0 (e.g. -23)";
                return outcome;
            }
        } else if (name == "--true-peak") {
            const auto ceiling = ParseLevel(value, kLowestCeilingDbtp, 0.0);
            if (!ceiling) {
                outcome.error = "--true-peak needs a ceiling in dBTP within -20..0";
                return outcome;
            }
            options.level.truePeakCeiling = *ceiling;
        } else if (name == "--album") {
            options.level.album = true;
        } else if (name == "--output-dir") {
            if (value.empty()) {
                outcome.error = "--output-dir needs a folder";
                return outcome;
            }
            options.outputDir = value;
        } else if (name == "--files-from") {
            options.filesFrom = value;
        } else if (name == "--results") {
            if (value != "jsonl" && value != "tsv") {
                outcome.error = "--results takes tsv or jsonl";
                return outcome;
            }
            options.jsonResults = value == "jsonl";
        } else if (name == "--shard") {
            options.shard = ParseShard(value);
            if (!options.shard) {
                outcome.error = "--shard needs K/N with 0 <= K < N";
                return outcome;
            }
        } else if (name == "--recursive" || name == "-r") {
            options.recursive = true;
        } else if (name == "--skip-existing") {
            options.skipExisting = true;
        } else if (name == "--null" || name == "-0") {
            options.nulSeparated = true;
        } else if (name == "--keep-pitch") {
            options.keepPitch = true;
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
    // A loudness target sets the gain itself; a fixed one beside it would be dropped.
    if (options.level.loudnessTarget && options.level.gainDb != 0.0)
        outcome.error = "--gain and --loudness cannot be combined";
    else if (options.level.album && !options.level.NeedsAnalysis())
        outcome.error =
            "--album needs --loudness or --headroom auto (it makes their gain one per album)";
    return outcome;
}

std::string UsageText() {
    return "Usage: zel-cli [OPTION]... FILE|FOLDER...\n"
           "Convert the sampling frequency (and playback speed) of audio files:\n"
           "WAV, RF64 and RIFX, and through libsndfile FLAC, AIFF, Ogg, MP3 and others.\n"
           "Each output is written next to its input, named with the suffix inserted\n"
           "before the last '.' of the file name (voice.wav -> voice_ZEL.wav), or\n"
           "appended when the name has none. An output that would replace one of the\n"
           "listed files (same name, a link to it) is refused with code -3.\n"
           "\n"
           "Options:\n"
           "  --rate HZ|keep   target sampling frequency, 8000..96000 (default 48000);\n"
           "                   keep: each output at its input's own rate (a change of\n"
           "                   speed alone)\n"
           "  --speed SPEED    playback speed, 50..200 percent (default 100): a percent\n"
           "                   (110, 95.904) or an exact ratio (25/24 turns 24 frames\n"
           "                   per second into 25, 24000/25025); the output's length\n"
           "                   follows the exact ratio, rounded once\n"
           "  --keep-pitch     the speed changes the tempo only, the pitch stays (time\n"
           "                   stretching, sudden sounds kept at their time, every\n"
           "                   channel cut at the same places); the length is the same\n"
           "                   as without it\n"
           "  --suffix TEXT    inserted into output names (default _ZEL)\n"
           "  --simd LEVEL     build: 0|none, 1|sse, 2|sse2, 3|sse3, 4|sse41, 5|avx2,\n"
           "                   6|avx512 (default: the highest this processor runs)\n"
           "  --quality MODE   standard (default): Hamming-windowed sinc, 51 taps per\n"
           "                   output, cut-off at the lower Nyquist frequency;\n"
           "                   high: equiripple, passband to 0.90 of the lower Nyquist\n"
           "                   frequency, stopband from 1.00 on at -150 dB, 136 taps\n"
           "                   (more when decimating);\n"
           "                   best: Kaiser-windowed sinc in double precision, passband\n"
           "                   to 0.98 (+-0.01 dB), stopband from 1.00 on at -175 dB,\n"
           "                   two stages: about 2400 taps at twice the rate applied\n"
           "                   by FFT (more when decimating), then 24 taps per output\n"
           "  --format FORMAT  same (default: the input's own container), wav, flac, aiff,\n"
           "                   w64, caf, ogg, opus or mp3; the output takes the format's\n"
           "                   extension (standard output: same is wav)\n"
           "  --bits DEPTH     same (default), 8, 16, 24, 32, f32 or f64: the output's\n"
           "                   samples (lossy formats take float)\n"
           "  --dither[=MODE]  auto (default): TPDF dither where the output has fewer bits\n"
           "                   than the input; none; tpdf: also on every output of 16 bits\n"
           "                   and fewer; shaped: as tpdf, with the noise shaped for the\n"
           "                   output rate away from where the ear hears best (least\n"
           "                   ITU-R BS.468-weighted noise; 32-bit outputs: tpdf). A\n"
           "                   bare --dither is tpdf\n"
           "  --gain DB        a fixed gain in dB (-60..60), applied to the converted\n"
           "                   signal before dither and rounding (samples pushed past full\n"
           "                   scale saturate and are counted as clippedSamples)\n"
           "  --headroom MODE  off (default) or auto: read each file once first, running\n"
           "                   the same conversion (rate, speed, quality) without writing,\n"
           "                   and lower the gain just enough that no output sample clips\n"
           "                   (peaks between the input's samples included); never raises\n"
           "  --loudness LUFS  bring each output's integrated loudness (EBU R128, ITU-R\n"
           "                   BS.1770) to LUFS (e.g. -23, -16, -14), measured on the\n"
           "                   converted signal in a first read, the gain never above\n"
           "                   what keeps the true peak at or below --true-peak (the\n"
           "                   result then says the ceiling limited it)\n"
           "  --true-peak DBTP the loudness gain's true-peak ceiling (default -1)\n"
           "  --album          one gain per album, so the balance between its tracks stays:\n"
           "                   an album is the listed files that sit in one folder, however\n"
           "                   they were given (one by one, by -r, --files-from); all its\n"
           "                   files are read first, the gain brings the album's loudness as\n"
           "                   a whole to --loudness with no file's true peak above\n"
           "                   --true-peak (and, with --headroom auto, no file clipping),\n"
           "                   then each file is converted at it. With --shard an album\n"
           "                   stays in one part (chosen by its folder)\n"
           "                   --headroom, --loudness and --album read each file twice and\n"
           "                   write it once; standard input is refused for them\n"
           "  --jobs N         convert up to N files at once, one worker each\n"
           "                   (default 1); results and outputs are the same as with 1\n"
           "  -r, --recursive  walk the folders given: every audio file below them\n"
           "                   (named .wav, .flac, .aiff, .mp3, .ogg ... in any case,\n"
           "                   or with a RIFF/WAVE header), sorted by\n"
           "                   path; hidden files and folders, files named like an\n"
           "                   output (the suffix before the extension) and the output\n"
           "                   folder are left out, and each folder is walked once;\n"
           "                   a link to a folder outside the folder given is not\n"
           "                   followed\n"
           "  --output-dir DIR write outputs into DIR, keeping the folders below each\n"
           "                   folder given (a file given directly keeps its relative\n"
           "                   path, or its name alone when absolute or above the current\n"
           "                   folder); folders are created as needed\n"
           "  --files-from FILE  read more names from FILE ('-': standard input), one a\n"
           "                   line; with -0 (--null) separated by NUL bytes\n"
           "  --skip-existing  leave an output alone when it exists and is finished (its\n"
           "                   header agrees with its size and it is as long as the\n"
           "                   input at the rate and speed): code 2, not a failure; so\n"
           "                   the same command resumes an interrupted run\n"
           "  --results FORMAT tsv (default) or jsonl: one JSON object a line with input,\n"
           "                   output, code, message, framesIn, framesOut, seconds and\n"
           "                   clippedSamples (counted by the float path, see --quality)\n"
           "  --shard K/N      convert only part K of N (0 <= K < N), chosen by a hash\n"
           "                   of each file's relative path, for N copies on a cluster\n"
           "  --strip-metadata outputs get no chunk but fmt and data, and no tags or\n"
           "                   markers in other formats (by default the input's LIST,\n"
           "                   bext, iXML, cue, smpl, ... chunks are kept, their frame\n"
           "                   positions moved to the new rate; title, artist and the\n"
           "                   other tags and cue points cross to formats that hold them)\n"
           "  --quiet, -q      no progress display (none either when stderr is not a\n"
           "                   terminal); it shows files done of all, files/s, MB/s and\n"
           "                   the time left\n"
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
           "Output: one line per file, in the order given, <input><TAB><code><TAB><message>,\n"
           "followed by <TAB>clipped=N when N output samples had to be saturated, and\n"
           "and with a level stage by gain=-3.21dB, loudness=-18.40>-23.00LUFS,\n"
           "true_peak=-1.20dBTP, ceiling_limited, and with --album album_files=N and\n"
           "album_loudness=-20.10>-23.00LUFS (the album as a whole).\n"
           "In <input>, \\ is written \\\\, a tab \\t, a newline \\n, a carriage return \\r\n"
           "and any other control byte \\xHH, so every file takes one line.\n"
           "Ctrl-C, SIGTERM and SIGHUP cancel: the files in progress end with code 1 and\n"
           "keep what was converted so far as valid WAV files, unless a file of the output's\n"
           "name existed, which is then left as it was; no further file is started. A second\n"
           "signal ends zel-cli at once. --jobs runs fewer workers when the open-file limit\n"
           "cannot hold N of them (three descriptors each).\n"
           "Exit status: 0 all files converted (or skipped with code 2), 1 some file failed\n"
           "or the results could not be written, 2 bad command line or file list,\n"
           "130/143/129 cancelled by SIGINT/SIGTERM/SIGHUP.\n";
}

}  // namespace zel::cli
