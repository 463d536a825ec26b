#pragma once
// Any file libsndfile reads (FLAC, AIFF, W64, CAF, Ogg Vorbis and Opus, MP3, AU, ...),
// decoded front to back in one pass, a block of frames at a time, in constant memory.
// Integer sources come as left-justified 32-bit samples (so 16 and 24-bit sources stay
// exact), float, lossy and other sources as 32 or 64-bit float.

#include <cstdint>
#include <string>

#include "engine/base/output_container.h"
#include "engine/base/sound_markers.h"
#include "engine/base/text_tags.h"
#include "engine/codec/sample_format.h"

struct sf_private_tag;

namespace zel {

struct SoundFileInfo {
    // The frames ReadFrames gives.
    WavSampleFormat read;
    // The source's samples as ZEL would store them: the depth "same" keeps.
    WavSampleFormat natural;
    // The container, when it is one ZEL writes; kSame for the others (AU, VOC, ...).
    OutputContainer container = OutputContainer::kSame;
    // As the file states them; lossy sources may state an estimate.
    std::int64_t frames = 0;
    // Whether the stated length is a promise whose breach means a cut file: not for lossy
    // sources, nor for WAV-like ones, whose sizes a stream leaves open (0xFFFFFFFF).
    bool lengthPromised = false;
    bool lossy = false;
    // "FLAC 24-bit", "MPEG Layer 3", ...: libsndfile's names, the same in every language.
    std::string description;
    // The container in a word: "FLAC", "AIFF", "Ogg", "MPEG", ...
    std::string shortName;
    // The lossy codec's name ("Vorbis", "Opus", "MP3"), which a sample size cannot say;
    // empty for the others.
    std::string codec;
    // libsndfile's own code of the container, for writing another file in it.
    std::int32_t nativeContainer = 0;
};

// Why a file could not be opened.
enum class SoundFileRefusal { kNone, kUnknownFormat, kDamaged };

class SoundFileReader {
  public:
    SoundFileReader() = default;
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    // Reads the header from `fd` (left open, read from its current position). False when
    // libsndfile knows no such format or refuses the file; ErrorText() says why.
    bool Open(int fd);
    const SoundFileInfo& Info() const { return info_; }
    SoundFileRefusal Refusal() const { return refusal_; }
    // Up to `frames` frames into `buffer` (frames x read.blockAlign bytes); fewer only at
    // the end of the stream; -1 on a decoding error.
    std::int64_t ReadFrames(std::uint8_t* buffer, std::int64_t frames);
    // Whether the last frame the file states can be decoded: false for a cut file. Leaves
    // the reading position where it was only at the start (call before ReadFrames).
    bool ReachesStatedEnd();
    // The file's text tags and markers (see sound_file_tags.h); none in a build without
    // libsndfile.
    TextTags Tags() const;
    SoundMarkers Markers() const;
    // libsndfile's own words for the last error (English).
    std::string ErrorText() const;

  private:
    sf_private_tag* file_ = nullptr;
    SoundFileInfo info_;
    std::string openError_;
    SoundFileRefusal refusal_ = SoundFileRefusal::kNone;
};

}  // namespace zel
