// A build without libsndfile: no container but WAV is read or written.
#include "engine/sndfile/sound_file_reader.h"
#include "engine/sndfile/sound_file_writer.h"

namespace zel {

SoundFileReader::~SoundFileReader() = default;

bool SoundFileReader::Open(int) {
    refusal_ = SoundFileRefusal::kUnknownFormat;
    return false;
}

std::int64_t SoundFileReader::ReadFrames(std::uint8_t*, std::int64_t) { return -1; }

bool SoundFileReader::ReachesStatedEnd() { return false; }

TextTags SoundFileReader::Tags() const { return {}; }

SoundMarkers SoundFileReader::Markers() const { return {}; }

std::string SoundFileReader::ErrorText() const { return "this build reads WAV files only"; }

SoundFileWriter::~SoundFileWriter() = default;

WavSampleFormat SoundFileWriter::StoredFormat(OutputContainer, const WavSampleFormat& wanted) {
    return wanted;
}

bool SoundFileWriter::Open(int, OutputContainer, const WavSampleFormat&, std::int32_t) {
    error_ = "this build writes WAV files only";
    return false;
}

void SoundFileWriter::Describe(const TextTags&, const SoundMarkers&) {}

bool SoundFileWriter::Write(const std::uint8_t*, std::int64_t) { return false; }

bool SoundFileWriter::Close() { return false; }

std::string SoundFileWriter::ErrorText() const { return error_; }

}  // namespace zel
