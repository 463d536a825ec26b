#include "engine/wav/ixml_timeline.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace zel {
namespace {

constexpr std::uint64_t kLow32 = 0xFFFFFFFF;

std::string_view TextOf(const std::vector<std::uint8_t>& xml) {
    return {reinterpret_cast<const char*>(xml.data()), xml.size()};
}

// The text between <name> and </name>, as offsets into the chunk.
struct ElementText {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::optional<ElementText> FindElement(std::string_view xml, std::string_view name) {
    const std::string open = "<" + std::string(name) + ">";
    const std::string close = "</" + std::string(name) + ">";
    const std::size_t start = xml.find(open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t begin = start + open.size();
    const std::size_t end = xml.find(close, begin);
    if (end == std::string_view::npos) return std::nullopt;
    return ElementText{begin, end};
}

std::optional<std::uint64_t> ReadNumber(std::string_view xml, std::string_view name) {
    const auto element = FindElement(xml, name);
    if (!element) return std::nullopt;
    std::uint64_t value = 0;
    const char* first = xml.data() + element->begin;
    const char* last = xml.data() + element->end;
    const auto [ptr, error] = std::from_chars(first, last, value);
    if (error != std::errc() || ptr != last || first == last) return std::nullopt;
    return value;
}

// In place: the chunk is not copied, and its capacity (see kIxmlTimelineGrowth) takes the
// longer numbers without moving.
void WriteNumber(std::vector<std::uint8_t>& xml, std::string_view name, std::uint64_t value) {
    const auto element = FindElement(TextOf(xml), name);
    if (!element) return;
    const std::string digits = std::to_string(value);
    const auto at = xml.begin() + static_cast<std::ptrdiff_t>(element->begin);
    xml.erase(at, xml.begin() + static_cast<std::ptrdiff_t>(element->end));
    xml.insert(xml.begin() + static_cast<std::ptrdiff_t>(element->begin), digits.begin(),
               digits.end());
}

enum class CountMove { kAbsent, kMoved, kLeft };

// A 64-bit count split into two 32-bit elements. A low half without its high half is the
// whole count (some writers leave the high one out) and is written back whole.
CountMove MoveSplitCount(std::vector<std::uint8_t>& xml, std::string_view lowName,
                         std::string_view highName, const FrameRatio& ratio) {
    const bool hasLow = FindElement(TextOf(xml), lowName).has_value();
    const bool hasHigh = FindElement(TextOf(xml), highName).has_value();
    if (!hasLow && !hasHigh) return CountMove::kAbsent;
    const auto low = ReadNumber(TextOf(xml), lowName);
    if (!low) return CountMove::kLeft;
    if (!hasHigh) {
        WriteNumber(xml, lowName, MoveFramePosition(*low, ratio));
        return CountMove::kMoved;
    }
    const auto high = ReadNumber(TextOf(xml), highName);
    if (!high || *low > kLow32 || *high > kLow32) return CountMove::kLeft;
    const std::uint64_t moved = MoveFramePosition((*high << 32) | *low, ratio);
    WriteNumber(xml, lowName, moved & kLow32);
    WriteNumber(xml, highName, moved >> 32);
    return CountMove::kMoved;
}

void SetRate(std::vector<std::uint8_t>& xml, std::string_view name, std::uint32_t outputRate) {
    if (ReadNumber(TextOf(xml), name)) WriteNumber(xml, name, outputRate);
}

}  // namespace

void MoveIxmlTimeline(std::vector<std::uint8_t>& xml, const FrameRatio& ratio,
                      std::uint32_t inputRate, std::uint32_t outputRate) {
    MoveSplitCount(xml, "BWF_TIME_REFERENCE_LOW", "BWF_TIME_REFERENCE_HIGH", ratio);
    // The stamp's rate follows only a stamp that moved (or none at all), so the two
    // never disagree.
    if (ReadNumber(TextOf(xml), "TIMESTAMP_SAMPLE_RATE") ==
            std::optional<std::uint64_t>(inputRate) &&
        MoveSplitCount(xml, "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO",
                       "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI", ratio) != CountMove::kLeft)
        SetRate(xml, "TIMESTAMP_SAMPLE_RATE", outputRate);
    SetRate(xml, "FILE_SAMPLE_RATE", outputRate);
}

}  // namespace zel
