#pragma once
// An output in a container libsndfile writes (FLAC, AIFF, W64, CAF, Ogg Vorbis, Opus,
// MP3). The samples arrive already rounded, dithered and counted by ZEL's codec at the
// output's depth, so libsndfile only packs them: a 16-bit FLAC holds exactly the samples a
// 16-bit WAV of the same conversion would.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/output_container.h"
#include "engine/base/sound_markers.h"
#include "engine/base/text_tags.h"
#include "engine/codec/sample_format.h"

struct sf_private_tag;

namespace zel {

class SoundFileWriter {
  public:
    SoundFileWriter() = default;
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // The samples `container` holds for a wish of `wanted` (the depth the user chose, or the
    // input's): the nearest depth it takes (FLAC at most 24 bits, lossy ones float), as
    // ZEL would store them in a WAV file.
    static WavSampleFormat StoredFormat(OutputContainer container, const WavSampleFormat& wanted);

    // Starts a file of `stored` samples (from StoredFormat) on `fd` (left open, written
    // from its current position). False when the container cannot hold the rate or the
    // channels; ErrorText() says why.
    // `nativeContainer`: libsndfile's code of the container when `container` is kSame (an
    // input's own, see SoundFileInfo).
    bool Open(int fd, OutputContainer container, const WavSampleFormat& stored,
              std::int32_t nativeContainer = 0);
    // What Write takes: 8-bit unsigned or 16-bit samples as a WAV file holds them (so the
    // same conversion gives the same samples in either), otherwise left-justified 32-bit
    // integers, or 32 or 64-bit float.
    const WavSampleFormat& Samples() const { return samples_; }
    // The tags and markers the container has room for, between Open and the first Write:
    // some formats take them only then. What the format refuses is left out; the file
    // is written all the same (see sound_file_tags.h).
    void Describe(const TextTags& tags, const SoundMarkers& markers);
    bool Write(const std::uint8_t* frames, std::int64_t count);
    // Finishes the file (sizes, seek tables). False when that fails.
    bool Close();
    std::string ErrorText() const;

  private:
    sf_private_tag* file_ = nullptr;
    WavSampleFormat samples_;
    int majorFormat_ = 0;  // libsndfile's code of the container
    std::vector<int> widened_;  // 8-bit samples on their way to libsndfile
    std::string error_;
};

}  // namespace zel
