#include "engine/wav/ixml_timeline.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace zel {
namespace {

constexpr std::uint64_t kLow32 = 0xFFFFFFFF;

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

void WriteNumber(std::string& xml, std::string_view name, std::uint64_t value) {
    const auto element = FindElement(xml, name);
    if (element) xml.replace(element->begin, element->end - element->begin, std::to_string(value));
}

// A 64-bit count split into two 32-bit elements.
void MoveSplitCount(std::string& xml, std::string_view lowName, std::string_view highName,
                    const FrameRatio& ratio) {
    const auto low = ReadNumber(xml, lowName);
    const auto high = ReadNumber(xml, highName);
    if (!low || !high || *low > kLow32 || *high > kLow32) return;
    const std::uint64_t moved = MoveFramePosition((*high << 32) | *low, ratio);
    WriteNumber(xml, lowName, moved & kLow32);
    WriteNumber(xml, highName, moved >> 32);
}

void SetRate(std::string& xml, std::string_view name, std::uint32_t outputRate) {
    if (ReadNumber(xml, name)) WriteNumber(xml, name, outputRate);
}

}  // namespace

void MoveIxmlTimeline(std::vector<std::uint8_t>& xml, const FrameRatio& ratio,
                      std::uint32_t inputRate, std::uint32_t outputRate) {
    std::string text(xml.begin(), xml.end());
    MoveSplitCount(text, "BWF_TIME_REFERENCE_LOW", "BWF_TIME_REFERENCE_HIGH", ratio);
    if (ReadNumber(text, "TIMESTAMP_SAMPLE_RATE") == std::optional<std::uint64_t>(inputRate)) {
        MoveSplitCount(text, "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO",
                       "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI", ratio);
        SetRate(text, "TIMESTAMP_SAMPLE_RATE", outputRate);
    }
    SetRate(text, "FILE_SAMPLE_RATE", outputRate);
    xml.assign(text.begin(), text.end());
}

}  // namespace zel
