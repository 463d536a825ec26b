#include "engine/sndfile/sound_file_reader.h"

#include <sndfile.h>

#include <vector>

#include "engine/sndfile/sound_file_tags.h"

namespace zel {
namespace {

struct SourceSamples {
    int bits = 16;         // of the source's integer samples; 0: read as float
    bool doubles = false;  // 64-bit float source
    bool lossy = false;
};

SourceSamples SamplesOf(int subformat) {
    switch (subformat) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_DPCM_8:
            return {8};
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_ALAC_16:
        case SF_FORMAT_DWVW_16:
        case SF_FORMAT_DPCM_16:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
        case SF_FORMAT_IMA_ADPCM:
        case SF_FORMAT_MS_ADPCM:
        case SF_FORMAT_GSM610:
        case SF_FORMAT_VOX_ADPCM:
        case SF_FORMAT_G721_32:
        case SF_FORMAT_G723_24:
        case SF_FORMAT_G723_40:
        case SF_FORMAT_NMS_ADPCM_16:
        case SF_FORMAT_NMS_ADPCM_24:
        case SF_FORMAT_NMS_ADPCM_32:
            return {16};
        case SF_FORMAT_ALAC_20:
            return {20};
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_ALAC_24:
        case SF_FORMAT_DWVW_24:
            return {24};
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_ALAC_32:
            return {32};
        case SF_FORMAT_FLOAT:
            return {0};
        case SF_FORMAT_DOUBLE:
            return {0, true};
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
        case SF_FORMAT_MPEG_LAYER_III:
            return {0, false, true};
        default:
            return {0};
    }
}

OutputContainer ContainerOf(int major, int subformat) {
    switch (major) {
        case SF_FORMAT_FLAC:
            return OutputContainer::kFlac;
        case SF_FORMAT_AIFF:
            return OutputContainer::kAiff;
        case SF_FORMAT_W64:
            return OutputContainer::kW64;
        case SF_FORMAT_CAF:
            return OutputContainer::kCaf;
        case SF_FORMAT_OGG:
            return subformat == SF_FORMAT_OPUS ? OutputContainer::kOpus : OutputContainer::kOgg;
        case SF_FORMAT_MPEG:
            return OutputContainer::kMp3;
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64:
            return OutputContainer::kWav;
        default:
            return OutputContainer::kSame;
    }
}

WavSampleFormat Format(SampleEncoding encoding, std::uint16_t channels, std::uint32_t rate,
                       std::uint16_t container, std::uint16_t valid) {
    WavSampleFormat f;
    f.encoding = encoding;
    f.channels = channels;
    f.sampleRate = rate;
    f.containerBits = container;
    f.validBits = valid;
    f.blockAlign = static_cast<std::uint16_t>(channels * (container / 8));
    return f;
}

// The samples "same" keeps, as a WAV file would store them; lossy sources give 16 bits.
WavSampleFormat NaturalFormat(const SourceSamples& s, std::uint16_t channels, std::uint32_t rate) {
    if (s.doubles) return Format(SampleEncoding::kFloat64, channels, rate, 64, 64);
    if (s.bits == 0 && !s.lossy) return Format(SampleEncoding::kFloat32, channels, rate, 32, 32);
    const int bits = s.lossy ? 16 : s.bits;
    if (bits <= 8) return Format(SampleEncoding::kUnsigned8, channels, rate, 8, 8);
    if (bits <= 16) return Format(SampleEncoding::kSigned16, channels, rate, 16, 16);
    if (bits <= 24)
        return Format(SampleEncoding::kSigned24, channels, rate, 24, static_cast<std::uint16_t>(bits));
    return Format(SampleEncoding::kSigned32, channels, rate, 32, 32);
}

WavSampleFormat ReadFormat(const SourceSamples& s, std::uint16_t channels, std::uint32_t rate) {
    if (s.doubles) return Format(SampleEncoding::kFloat64, channels, rate, 64, 64);
    if (s.bits == 0) return Format(SampleEncoding::kFloat32, channels, rate, 32, 32);
    return Format(SampleEncoding::kSigned32, channels, rate, 32, static_cast<std::uint16_t>(s.bits));
}

std::string CodecName(int subformat) {
    switch (subformat) {
        case SF_FORMAT_VORBIS:
            return "Vorbis";
        case SF_FORMAT_OPUS:
            return "Opus";
        case SF_FORMAT_MPEG_LAYER_I:
            return "MP1";
        case SF_FORMAT_MPEG_LAYER_II:
            return "MP2";
        case SF_FORMAT_MPEG_LAYER_III:
            return "MP3";
        default:
            return {};
    }
}

std::string DescriptionOf(SNDFILE* file, int format) {
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO sub{};
    sub.format = format & SF_FORMAT_SUBMASK;
    std::string text;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name)
        text = major.name;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &sub, sizeof sub) == 0 && sub.name)
        text += (text.empty() ? "" : ", ") + std::string(sub.name);
    return text;
}

// libsndfile's name of a container up to its explanation: "FLAC (Free Lossless Audio
// Codec)" gives "FLAC"; the few whose first word is not what users call them are named here.
std::string ShortNameOf(SNDFILE* file, int major) {
    switch (major) {
        case SF_FORMAT_OGG:
            return "Ogg";
        case SF_FORMAT_MPEG:
            return "MPEG";
        case SF_FORMAT_WAVEX:
            return "WAV";
        default:
            break;
    }
    SF_FORMAT_INFO info{};
    info.format = major;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr)
        return {};
    const std::string_view name(info.name);
    return std::string(name.substr(0, name.find(' ')));
}

}  // namespace

SoundFileReader::~SoundFileReader() {
    if (file_ != nullptr) sf_close(file_);
}

bool SoundFileReader::Open(int fd) {
    SF_INFO sf{};
    file_ = sf_open_fd(fd, SFM_READ, &sf, SF_FALSE);
    if (file_ == nullptr) {
        const int error = sf_error(nullptr);
        openError_ = sf_strerror(nullptr);
        // A format libsndfile recognised but could not parse is damaged; anything else is
        // a file in no format it reads.
        refusal_ = error == SF_ERR_MALFORMED_FILE ? SoundFileRefusal::kDamaged
                                                  : SoundFileRefusal::kUnknownFormat;
        return false;
    }
    if (sf.channels < 1 || sf.channels > kMaxWavChannels || sf.samplerate < 1) {
        openError_ = "unsupported channel count or sampling rate";
        refusal_ = SoundFileRefusal::kDamaged;
        return false;
    }
    const int major = sf.format & SF_FORMAT_TYPEMASK;
    const int subformat = sf.format & SF_FORMAT_SUBMASK;
    const SourceSamples samples = SamplesOf(subformat);
    const auto channels = static_cast<std::uint16_t>(sf.channels);
    const auto rate = static_cast<std::uint32_t>(sf.samplerate);
    info_.read = ReadFormat(samples, channels, rate);
    info_.natural = NaturalFormat(samples, channels, rate);
    info_.container = ContainerOf(major, subformat);
    info_.frames = sf.frames < 0 || sf.frames == SF_COUNT_MAX ? -1 : sf.frames;
    info_.lossy = samples.lossy;
    info_.lengthPromised =
        !samples.lossy && info_.frames >= 0 && info_.container != OutputContainer::kWav;
    info_.description = DescriptionOf(file_, sf.format);
    info_.shortName = ShortNameOf(file_, major);
    info_.nativeContainer = major;
    info_.codec = CodecName(subformat);
    return true;
}

std::int64_t SoundFileReader::ReadFrames(std::uint8_t* buffer, std::int64_t frames) {
    sf_count_t got = 0;
    switch (info_.read.encoding) {
        case SampleEncoding::kFloat64:
            got = sf_readf_double(file_, reinterpret_cast<double*>(buffer), frames);
            break;
        case SampleEncoding::kFloat32:
            got = sf_readf_float(file_, reinterpret_cast<float*>(buffer), frames);
            break;
        default:
            got = sf_readf_int(file_, reinterpret_cast<int*>(buffer), frames);
            break;
    }
    // A short read is the end, unless the decoder says it failed.
    if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) return -1;
    return got;
}

bool SoundFileReader::ReachesStatedEnd() {
    if (info_.frames <= 0) return info_.frames == 0;
    if (sf_seek(file_, info_.frames - 1, SEEK_SET) < 0) return false;
    std::vector<double> frame(info_.read.channels);
    const bool read = sf_readf_double(file_, frame.data(), 1) == 1;
    return sf_seek(file_, 0, SEEK_SET) == 0 && read;
}

TextTags SoundFileReader::Tags() const {
    return file_ != nullptr ? ReadSoundFileTags(file_) : TextTags{};
}

SoundMarkers SoundFileReader::Markers() const {
    return file_ != nullptr ? ReadSoundFileMarkers(file_) : SoundMarkers{};
}

std::string SoundFileReader::ErrorText() const {
    if (file_ == nullptr) return openError_;
    return sf_strerror(file_);
}

}  // namespace zel
