#pragma once
// The block loop's ends on libsndfile's side: decoded frames in, frames to a writer out.

#include <cstdint>

#include "engine/base/byte_stream.h"
#include "engine/convert/background_sink.h"
#include "engine/resample/stream_conversion.h"
#include "engine/sndfile/sound_file_reader.h"
#include "engine/sndfile/sound_file_writer.h"

namespace zel {

// Frames in the writer's samples handed to libsndfile, which encodes and writes them.
class SoundFileFrames : public ByteSink {
  public:
    explicit SoundFileFrames(SoundFileWriter& writer) : writer_(writer) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        const std::size_t frameBytes = writer_.Samples().blockAlign;
        return writer_.Write(buffer, static_cast<std::int64_t>(count / frameBytes));
    }

  private:
    SoundFileWriter& writer_;
};

// Every libsndfile output is encoded on a thread of its own (FLAC's encoder costs as much as
// the conversion), beside the block loop. Finish before the writer is closed. (File
// conversions use an EncodingWriter over SoundFileFrames instead, which also takes the
// rounding and dither off the converting thread.)
class SoundFileSink : public ByteSink {
  public:
    explicit SoundFileSink(SoundFileWriter& writer) : encoder_(writer), background_(encoder_) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        return background_.Write(buffer, count);
    }
    // Whether every block reached the writer.
    bool Finish() { return background_.Finish(); }

  private:
    SoundFileFrames encoder_;
    BackgroundSink background_;
};

class DecodedFrames : public FrameSource {
  public:
    explicit DecodedFrames(SoundFileReader& reader) : reader_(reader) {}
    std::int64_t Read(std::uint8_t* buffer, std::int64_t frames) override {
        return reader_.ReadFrames(buffer, frames);
    }

  private:
    SoundFileReader& reader_;
};

}  // namespace zel
