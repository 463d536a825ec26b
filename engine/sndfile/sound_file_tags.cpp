#include "engine/sndfile/sound_file_tags.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "engine/base/tag_text.h"

namespace zel {
namespace {

struct StringField {
    TagField field;
    int id;
};

constexpr std::array kStringFields{
    StringField{TagField::kTitle, SF_STR_TITLE},
    StringField{TagField::kArtist, SF_STR_ARTIST},
    StringField{TagField::kAlbum, SF_STR_ALBUM},
    StringField{TagField::kDate, SF_STR_DATE},
    StringField{TagField::kComment, SF_STR_COMMENT},
    StringField{TagField::kTrackNumber, SF_STR_TRACKNUMBER},
    StringField{TagField::kGenre, SF_STR_GENRE},
    StringField{TagField::kCopyright, SF_STR_COPYRIGHT},
    StringField{TagField::kSoftware, SF_STR_SOFTWARE},
};

// An AIFF marker's id is a positive 16-bit number.
constexpr std::uint32_t kMaxAiffMarkerId = 32767;

// More cue points than any file means to hold: a damaged count is not followed further.
constexpr std::size_t kMaxCues = 4096;

// The SF_CUES libsndfile reads and writes, with room for `count` points (its own struct
// holds 100): the count, then the points.
class CueBuffer {
  public:
    explicit CueBuffer(std::size_t count)
        : count_(count), storage_((Bytes() + sizeof(std::uint32_t) - 1) / sizeof(std::uint32_t)) {
        Cues()->cue_count = static_cast<std::uint32_t>(count);
    }
    SF_CUES* Cues() { return reinterpret_cast<SF_CUES*>(storage_.data()); }
    SF_CUE_POINT& Point(std::size_t i) {
        auto* const first =
            reinterpret_cast<unsigned char*>(storage_.data()) + offsetof(SF_CUES, cue_points);
        return reinterpret_cast<SF_CUE_POINT*>(first)[i];
    }
    int Bytes() const {
        return static_cast<int>(offsetof(SF_CUES, cue_points) + count_ * sizeof(SF_CUE_POINT));
    }

  private:
    static_assert(alignof(SF_CUES) <= alignof(std::uint32_t));
    std::size_t count_;
    std::vector<std::uint32_t> storage_;
};

// The first 255 bytes of `text` at most, whole characters only, NUL-terminated into `name`.
void CopyName(const std::string& text, char (&name)[256]) {
    std::size_t length = std::min(text.size(), sizeof name - 1);
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(name, text.data(), length);
    name[length] = '\0';
}

// Whether the points' own ids can name AIFF markers: positive 16-bit numbers, no two the
// same. If not, the markers are numbered 1, 2, 3...
bool IdsFitAiff(const std::vector<CueMarker>& cues) {
    std::set<std::uint32_t> seen;
    for (const CueMarker& cue : cues)
        if (cue.id == 0 || cue.id > kMaxAiffMarkerId || !seen.insert(cue.id).second) return false;
    return true;
}

LoopMode ModeOf(int mode) {
    switch (mode) {
        case SF_LOOP_ALTERNATING:
            return LoopMode::kAlternating;
        case SF_LOOP_BACKWARD:
            return LoopMode::kBackward;
        default:
            return LoopMode::kForward;
    }
}

void ReadCues(SNDFILE* file, SoundMarkers& markers) {
    std::uint32_t count = 0;
    if (sf_command(file, SFC_GET_CUE_COUNT, &count, sizeof count) != SF_TRUE || count == 0) return;
    count = static_cast<std::uint32_t>(std::min<std::size_t>(count, kMaxCues));
    CueBuffer buffer(count);
    if (sf_command(file, SFC_GET_CUE, buffer.Cues(), buffer.Bytes()) != SF_TRUE) return;
    const std::size_t got = std::min<std::size_t>(buffer.Cues()->cue_count, count);
    for (std::size_t i = 0; i < got; ++i) {
        const SF_CUE_POINT& point = buffer.Point(i);
        // AIFF gives the sample offset alone; a WAV file's sample offset is the position in
        // PCM data, which some writers leave 0 beside the position.
        const std::uint32_t frame = point.sample_offset != 0 ? point.sample_offset : point.position;
        markers.cues.push_back({static_cast<std::uint32_t>(point.indx), frame,
                                TagTextToUtf8(std::string_view(point.name, sizeof point.name))});
    }
}

void ReadLoops(SNDFILE* file, SoundMarkers& markers) {
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE) return;
    const int loops =
        std::clamp(instrument.loop_count, 0, static_cast<int>(std::size(instrument.loops)));
    for (int i = 0; i < loops; ++i) {
        const auto& loop = instrument.loops[i];
        if (loop.mode == SF_LOOP_NONE) continue;
        markers.loops.push_back({loop.start, loop.end, loop.count, ModeOf(loop.mode)});
    }
    markers.baseNote = static_cast<std::uint8_t>(std::clamp<int>(instrument.basenote, 0, 127));
    markers.detuneCents = static_cast<std::int8_t>(instrument.detune);
}

}  // namespace

TextTags ReadSoundFileTags(SNDFILE* file) {
    TextTags tags;
    for (const StringField& string : kStringFields)
        if (const char* text = sf_get_string(file, string.id); text != nullptr)
            tags[string.field] = TagTextToUtf8(text);
    return tags;
}

void WriteSoundFileTags(SNDFILE* file, int majorFormat, const TextTags& tags) {
    const bool latin1 = majorFormat == SF_FORMAT_MPEG;
    for (const StringField& string : kStringFields) {
        const std::string& text = tags[string.field];
        if (text.empty()) continue;
        const std::optional<std::string> written =
            latin1 ? Utf8ToLatin1(text) : std::optional<std::string>(text);
        // A field the format cannot hold, or refuses, is only left out.
        if (written) static_cast<void>(sf_set_string(file, string.id, written->c_str()));
    }
}

SoundMarkers ReadSoundFileMarkers(SNDFILE* file) {
    SoundMarkers markers;
    ReadCues(file, markers);
    ReadLoops(file, markers);
    return markers;
}

void WriteSoundFileMarkers(SNDFILE* file, int majorFormat, const SoundMarkers& markers) {
    if (majorFormat != SF_FORMAT_AIFF || markers.cues.empty()) return;
    const std::size_t count = std::min(markers.cues.size(), kMaxCues);
    CueBuffer buffer(count);
    const bool keepIds = IdsFitAiff(markers.cues);
    for (std::size_t i = 0; i < count; ++i) {
        const CueMarker& cue = markers.cues[i];
        SF_CUE_POINT& point = buffer.Point(i);
        point = SF_CUE_POINT{};
        point.indx = static_cast<std::int32_t>(keepIds ? cue.id : i + 1);
        const auto frame = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(cue.frame, std::numeric_limits<std::uint32_t>::max()));
        point.position = frame;
        point.sample_offset = frame;
        CopyName(cue.label, point.name);
    }
    static_cast<void>(sf_command(file, SFC_SET_CUE, buffer.Cues(), buffer.Bytes()));
}

}  // namespace zel
