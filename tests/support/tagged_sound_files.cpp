#include "tests/support/tagged_sound_files.h"

#include <sndfile.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace zel::test {
namespace {

constexpr int kStringIds[] = {SF_STR_TITLE, SF_STR_ARTIST,    SF_STR_ALBUM,
                              SF_STR_DATE,  SF_STR_COMMENT,   SF_STR_TRACKNUMBER,
                              SF_STR_GENRE, SF_STR_COPYRIGHT, SF_STR_SOFTWARE};

struct Closer {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, Closer>;

SoundFile OpenForReading(const std::filesystem::path& path) {
    SF_INFO info{};
    return SoundFile(sf_open(path.c_str(), SFM_READ, &info));
}

}  // namespace

bool WriteTaggedTone(const std::filesystem::path& path, int sndfileFormat, std::uint32_t rate,
                     const SoundStrings& strings) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = 2;
    info.format = sndfileFormat;
    SoundFile file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) return false;
    for (const auto& [id, text] : strings)
        if (sf_set_string(file.get(), id, text.c_str()) != 0) return false;
    std::vector<float> frames(rate);  // half a second of stereo
    for (std::size_t n = 0; n < frames.size(); ++n)
        frames[n] =
            static_cast<float>(0.3 * std::sin(2.0 * std::numbers::pi * 440.0 * (n / 2) / rate));
    const auto count = static_cast<sf_count_t>(frames.size() / 2);
    return sf_writef_float(file.get(), frames.data(), count) == count;
}

SoundStrings ReadSoundStrings(const std::filesystem::path& path) {
    SoundStrings strings;
    const SoundFile file = OpenForReading(path);
    if (!file) return strings;
    for (const int id : kStringIds)
        if (const char* text = sf_get_string(file.get(), id); text != nullptr && *text != '\0')
            strings[id] = text;
    return strings;
}

std::vector<SoundCue> ReadSoundCues(const std::filesystem::path& path) {
    std::vector<SoundCue> cues;
    const SoundFile file = OpenForReading(path);
    auto all = std::make_unique<SF_CUES>();
    if (!file || sf_command(file.get(), SFC_GET_CUE, all.get(), sizeof(SF_CUES)) != SF_TRUE)
        return cues;
    for (std::uint32_t i = 0; i < all->cue_count; ++i)
        cues.push_back({all->cue_points[i].sample_offset, all->cue_points[i].name});
    return cues;
}

std::vector<SoundLoop> ReadSoundLoops(const std::filesystem::path& path) {
    std::vector<SoundLoop> loops;
    const SoundFile file = OpenForReading(path);
    SF_INSTRUMENT instrument{};
    if (!file ||
        sf_command(file.get(), SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE)
        return loops;
    for (int i = 0; i < instrument.loop_count; ++i)
        loops.push_back({instrument.loops[i].start, instrument.loops[i].end});
    return loops;
}

}  // namespace zel::test
