#include "app/sound_file_probe.h"

#include <memory>

#include "engine/sndfile/sound_file_formats.h"

#ifdef ZEL_HAVE_SNDFILE
#include <sndfile.h>
#endif

bool HasOtherContainerName(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    return zel::HasReadableExtension(name) &&
           zel::ContainerOfExtension(name) != zel::OutputContainer::kWav;
}

#ifdef ZEL_HAVE_SNDFILE
namespace {

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// The bits column of a libsndfile subtype; empty for one it does not name here.
QString SubtypeText(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return BitsText(8);
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_ALAC_16:
            return BitsText(16);
        case SF_FORMAT_ALAC_20:
            return BitsText(20);
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_ALAC_24:
            return BitsText(24);
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_ALAC_32:
            return BitsText(32);
        case SF_FORMAT_FLOAT:
            return BitsText(32, zel::SampleEncoding::kFloat32);
        case SF_FORMAT_DOUBLE:
            return BitsText(64, zel::SampleEncoding::kFloat64);
        case SF_FORMAT_ULAW:
            return BitsText(8, zel::SampleEncoding::kMuLaw);
        case SF_FORMAT_ALAW:
            return BitsText(8, zel::SampleEncoding::kALaw);
        case SF_FORMAT_VORBIS:
            return QStringLiteral("Vorbis");
        case SF_FORMAT_OPUS:
            return QStringLiteral("Opus");
        case SF_FORMAT_MPEG_LAYER_III:
            return QStringLiteral("MP3");
        default:
            return {};
    }
}

}  // namespace

std::optional<RowTexts> ProbeOtherContainer(const std::filesystem::path& path) {
    SF_INFO info{};
    const SoundFile file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0) return std::nullopt;
    RowTexts row;
    // A stream whose length is unknown (frames < 0) leaves the duration blank.
    if (info.frames >= 0)
        row.cells[kDurationColumn] =
            DurationText(static_cast<std::uint64_t>(info.frames) /
                         static_cast<std::uint64_t>(info.samplerate));
    row.cells[kChannelsColumn] = ChannelsText(static_cast<std::uint16_t>(info.channels));
    row.cells[kFrequencyColumn] = FrequencyText(static_cast<std::uint32_t>(info.samplerate));
    row.cells[kBitsColumn] = SubtypeText(info.format);
    return row;
}
#else
std::optional<RowTexts> ProbeOtherContainer(const std::filesystem::path&) { return std::nullopt; }
#endif
