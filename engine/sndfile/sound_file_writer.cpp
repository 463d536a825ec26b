#include "engine/sndfile/sound_file_writer.h"

#include <algorithm>

#include <sndfile.h>

#include "engine/sndfile/sound_file_tags.h"

namespace zel {
namespace {

constexpr int kFlacMaxBits = 24;
// libsndfile's scale runs from 0 (best quality, largest) to 1 (smallest).
constexpr double kLossyCompressionLevel = 0.2;

bool IsLossy(OutputContainer container) {
    return container == OutputContainer::kOgg || container == OutputContainer::kOpus ||
           container == OutputContainer::kMp3;
}

int MajorFormat(OutputContainer container) {
    switch (container) {
        case OutputContainer::kFlac:
            return SF_FORMAT_FLAC;
        case OutputContainer::kAiff:
            return SF_FORMAT_AIFF;
        case OutputContainer::kW64:
            return SF_FORMAT_W64;
        case OutputContainer::kCaf:
            return SF_FORMAT_CAF;
        case OutputContainer::kOgg:
        case OutputContainer::kOpus:
            return SF_FORMAT_OGG;
        case OutputContainer::kMp3:
            return SF_FORMAT_MPEG;
        default:
            return SF_FORMAT_WAV;
    }
}

int Subformat(OutputContainer container, const WavSampleFormat& stored) {
    switch (container) {
        case OutputContainer::kOgg:
            return SF_FORMAT_VORBIS;
        case OutputContainer::kOpus:
            return SF_FORMAT_OPUS;
        case OutputContainer::kMp3:
            return SF_FORMAT_MPEG_LAYER_III;
        default:
            break;
    }
    switch (stored.encoding) {
        case SampleEncoding::kFloat32:
            return SF_FORMAT_FLOAT;
        case SampleEncoding::kFloat64:
            return SF_FORMAT_DOUBLE;
        case SampleEncoding::kUnsigned8:
            // Only WAV-like containers store 8 bits unsigned; the rest take them signed.
            return container == OutputContainer::kW64 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_S8;
        case SampleEncoding::kSigned24:
            return SF_FORMAT_PCM_24;
        case SampleEncoding::kSigned32:
            return SF_FORMAT_PCM_32;
        default:
            return SF_FORMAT_PCM_16;
    }
}

WavSampleFormat WithEncoding(WavSampleFormat f, SampleEncoding encoding, std::uint16_t bits) {
    f.encoding = encoding;
    f.containerBits = f.validBits = bits;
    f.blockAlign = static_cast<std::uint16_t>(f.channels * bits / 8);
    f.bigEndian = false;
    return f;
}

// What Write takes for samples stored as `stored`: 8 and 16-bit samples as they are, the
// rest rounded by the codec to the stored step inside a 32-bit container, of which
// libsndfile drops the zero bits below it.
WavSampleFormat WriteFormat(const WavSampleFormat& stored) {
    if (IsFloatEncoding(stored.encoding) || stored.encoding == SampleEncoding::kSigned16 ||
        stored.encoding == SampleEncoding::kUnsigned8)
        return stored;
    WavSampleFormat f = WithEncoding(stored, SampleEncoding::kSigned32, 32);
    f.validBits = stored.validBits;
    return f;
}

}  // namespace

SoundFileWriter::~SoundFileWriter() {
    if (file_ != nullptr) sf_close(file_);
}

WavSampleFormat SoundFileWriter::StoredFormat(OutputContainer container,
                                              const WavSampleFormat& wanted) {
    if (IsLossy(container)) return WithEncoding(wanted, SampleEncoding::kFloat32, 32);
    WavSampleFormat stored = wanted;
    if (IsG711Encoding(wanted.encoding)) stored = WithEncoding(wanted, SampleEncoding::kSigned16, 16);
    if (container == OutputContainer::kFlac &&
        (IsFloatEncoding(stored.encoding) || stored.validBits > kFlacMaxBits))
        return WithEncoding(wanted, SampleEncoding::kSigned24, 24);
    stored.bigEndian = false;
    return stored;
}

bool SoundFileWriter::Open(int fd, OutputContainer container, const WavSampleFormat& stored,
                           std::int32_t nativeContainer) {
    SF_INFO sf{};
    sf.samplerate = static_cast<int>(stored.sampleRate);
    sf.channels = stored.channels;
    const int major = container == OutputContainer::kSame ? nativeContainer : MajorFormat(container);
    sf.format = major | Subformat(container, stored);
    if (!sf_format_check(&sf)) {
        error_ = "the format cannot hold this sampling rate, channel count or depth";
        return false;
    }
    file_ = sf_open_fd(fd, SFM_WRITE, &sf, SF_FALSE);
    if (file_ == nullptr) {
        error_ = sf_strerror(nullptr);
        return false;
    }
    samples_ = WriteFormat(stored);
    majorFormat_ = major;
    // Samples beyond full scale are ZEL's to count and clip; libsndfile only packs them.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (IsLossy(container)) {
        // Variable bit rate near the top of each codec's scale: a resampled master should
        // not lose more to the encoder than it must.
        double level = kLossyCompressionLevel;
        int mode = SF_BITRATE_MODE_VARIABLE;
        sf_command(file_, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    return true;
}

void SoundFileWriter::Describe(const TextTags& tags, const SoundMarkers& markers) {
    if (file_ == nullptr) return;
    WriteSoundFileTags(file_, majorFormat_, tags);
    WriteSoundFileMarkers(file_, majorFormat_, markers);
}

bool SoundFileWriter::Write(const std::uint8_t* frames, std::int64_t count) {
    sf_count_t written = 0;
    switch (samples_.encoding) {
        case SampleEncoding::kFloat64:
            written = sf_writef_double(file_, reinterpret_cast<const double*>(frames), count);
            break;
        case SampleEncoding::kFloat32:
            written = sf_writef_float(file_, reinterpret_cast<const float*>(frames), count);
            break;
        case SampleEncoding::kSigned16:
            written = sf_writef_short(file_, reinterpret_cast<const short*>(frames), count);
            break;
        case SampleEncoding::kUnsigned8: {
            constexpr int kZeroLine = 128;
            constexpr int kToTopByte = 24;
            widened_.resize(static_cast<std::size_t>(count) * samples_.channels);
            for (std::size_t i = 0; i < widened_.size(); ++i)
                widened_[i] = static_cast<int>(static_cast<unsigned>(frames[i] - kZeroLine) << kToTopByte);
            written = sf_writef_int(file_, widened_.data(), count);
            break;
        }
        default:
            written = sf_writef_int(file_, reinterpret_cast<const int*>(frames), count);
            break;
    }
    return written == count;
}

bool SoundFileWriter::Close() {
    if (file_ == nullptr) return false;
    const int failed = sf_close(file_);
    file_ = nullptr;
    if (failed != 0) error_ = sf_error_number(failed);
    return failed == 0;
}

std::string SoundFileWriter::ErrorText() const { return error_; }

}  // namespace zel
