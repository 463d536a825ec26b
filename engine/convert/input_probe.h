#pragma once
// A look at any input the conversion reads, without converting it: ZEL's own reader for
// WAV, RF64 and RIFX, libsndfile for the rest, in the same order the conversion tries
// them, so the input list admits exactly the files the conversion reads and names the
// reason for any other.

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/convert/conversion_outcome.h"
#include "engine/sndfile/sound_file_reader.h"
#include "engine/wav/wav_probe.h"

namespace zel {

struct InputProbe {
    WavProbe::Status status = WavProbe::Status::kCannotOpen;
    // Why the file was refused (kRefused): ZEL's reader's reason, or libsndfile's as a
    // detail when the file is no WAV file at all.
    WavRefusalReason refusal;
    ResultDetail detail = ResultDetail::kNone;
    // The samples as the output keeps them with the depth "same", and the frames stated.
    WavSampleFormat format;
    std::uint64_t frames = 0;
    // Whether the stated frames can all be read (a cut file's cannot); WAV files always.
    bool complete = true;
    // "WAV", or libsndfile's name of the format ("FLAC (Free Lossless Audio Codec)").
    std::string formatName;
    // The container in a word: "WAV", "RF64", "RIFX", "FLAC", "AIFF", "Ogg", ...
    std::string shortName;
    // A lossy codec's name ("Vorbis", "MP3"); empty for the others.
    std::string codec;
};

InputProbe ProbeInputFile(const std::filesystem::path& path);

// Whole seconds of audio the probed file holds, past 4 GiB too.
std::uint64_t DurationSeconds(const InputProbe& probe);

// Refusals of ZEL's own reader that libsndfile may not share: no RIFF header at all, or a
// compressed encoding.
bool MayBeOtherFormat(const WavRefusalReason& refusal);

// Whether ZEL's reader's refusal says more than libsndfile's failure would: for a
// compressed WAV, and for any file named as a WAV file ("This is not a WAV file").
bool KeepsWavRefusal(const WavRefusalReason& refusal, const std::filesystem::path& input);

// Why libsndfile could not open `input`: a file named as an audio format is damaged (a
// cut FLAC fails to open as one); any other is in a format ZEL does not read.
ResultDetail UnopenedReason(SoundFileRefusal refusal, const std::filesystem::path& input);

// The outcome of an input that could not be opened at all (kInputOpenError), with the cause.
ConversionOutcome InputNotOpened(const std::filesystem::path& input);

}  // namespace zel
