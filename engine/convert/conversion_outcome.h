#pragma once
// What one file's conversion ends with: the result code, and what the code alone cannot
// say (which of several causes refused the output, that an earlier file was kept).
// Callers that only know codes keep working with `code`.

#include <cstdint>

#include "engine/base/conversion_result.h"
#include "engine/convert/level_outcome.h"
#include "engine/wav/wav_refusal.h"

namespace zel {

enum class ResultDetail : std::int32_t {
    kNone,
    // The target rate or the speed cannot be converted to.
    kInvalidSettings,
    // The suffix holds '/' or NUL, so the output name would leave the folder or be invalid.
    kUnusableSuffix,
    // The output name is one of the batch's inputs (or a link to one).
    kOutputOnInput,
    // The output's folder is missing or refuses a new file.
    kFolderNotWritable,
    // The output name is longer than the file system holds.
    kNameTooLong,
    // A cancel: a file of the output's name existed and was left exactly as it was.
    kEarlierOutputKept,
    // The process has as many files open as it may (EMFILE) or the system has (ENFILE).
    kTooManyOpenFiles,
    // The system refused the output for another reason, given in `systemError`.
    kOutputNotCreated,
    // A cancel because the batch's results could not be passed on: what was converted so
    // far was removed, since nobody would learn that it is short.
    kPartialRemoved,
    // The ratio of the rates (with the speed) needs a filter or blocks larger than the
    // design allows (with kOutputOpenError).
    kFilterTooLarge,
    // The conversion stopped on an error the program did not expect (not memory running
    // out, which is the code alone).
    kUnexpectedError,
    // An input in no format ZEL reads (with kInputFormatError).
    kUnknownAudioFormat,
    // An input whose format is known but whose header or structure is damaged.
    kDamagedAudio,
    // The decoder failed before the end of the audio (with kInputReadError).
    kDecodeError,
    // The audio ends before the length its header states (with kInputReadError).
    kTruncatedAudio,
    // The output's container cannot hold the rate, the channels or the depth.
    kFormatCannotHold,
    // The output is a pipe, and the container asked for must seek back to finish a file.
    kFormatNeedsSeeking,
    // The input is a pipe, in no format that can be read without seeking.
    kPipeCannotCarry,
    // A cancel while the level was being measured, before any output was made.
    kCancelledWhileMeasuring,
    // A level that needs a first read (headroom, loudness) asked of an input that cannot
    // be read twice (a pipe).
    kLevelNeedsFile,
    // A loudness target in a build without a loudness meter (libebur128).
    kLoudnessUnavailable,
    // Why an input could not be opened (with kInputOpenError): it is not there, the user
    // may not read it, it is a folder, or a FIFO or device; another reason is the system's,
    // in `systemError`.
    kInputNotFound,
    kInputAccessDenied,
    kInputIsFolder,
    kInputNotRegularFile,
    kInputNotOpened,
    // Keeping the pitch of more channels than the time stretcher takes (16).
    kTempoTooManyChannels,
};

struct ConversionOutcome {
    ConversionOutcome() = default;
    // Not explicit: a code alone, or a code and its detail, is an outcome.
    ConversionOutcome(ConversionResult c, ResultDetail d = ResultDetail::kNone)
        : code(c), detail(d) {}

    ConversionResult code = kCompleted;
    ResultDetail detail = ResultDetail::kNone;
    // Frames read from the input and written to the output; 0 when nothing was converted.
    std::int64_t framesIn = 0;
    std::int64_t framesOut = 0;
    // Output samples that had to be saturated. The float path (every high-quality
    // conversion, and inputs other than 8/16-bit PCM) counts them; the standard integer
    // kernels saturate without counting.
    std::int64_t clippedSamples = 0;
    // Float input samples that were NaN or infinite, converted as silence.
    std::int64_t nonFiniteSamples = 0;
    // Chunks of the input's metadata the output goes without for a limit (see
    // CarriedMetadata::leftOut).
    std::int64_t metadataChunksLeftOut = 0;
    // Why an input was refused as unreadable (with kInputFormatError).
    WavRefusalReason refusal;
    // The system's error number behind kOutputNotCreated and kInputNotOpened; 0 otherwise.
    std::int32_t systemError = 0;
    // The gain applied and the loudness measured, when the settings asked for either.
    LevelOutcome level;
};

}  // namespace zel
