#include "engine/base/tag_text.h"

#include <array>
#include <cstdint>

namespace zel {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kSurrogatesFirst = 0xD800;
constexpr char32_t kSurrogatesLast = 0xDFFF;
constexpr char32_t kLatin1Last = 0xFF;

// Code page 1252 in 0x80..0x9F; the five bytes it leaves undefined keep their Latin-1
// (control) code point.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// One UTF-8 sequence at `text[at]`: its code point and length, or length 0 when the bytes
// there are not a well-formed sequence.
struct Decoded {
    char32_t codePoint = 0;
    std::size_t length = 0;
};

// The lead bytes of multi-byte sequences: the bits that mark them, the sequence's length
// and the smallest code point it may carry (anything below is an overlong form).
struct LeadByte {
    std::uint8_t mask;
    std::uint8_t marker;
    std::size_t length;
    char32_t smallest;
};
constexpr std::array<LeadByte, 3> kLeadBytes{{
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, 0x10000},
}};

Decoded DecodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    if (lead < 0x80) return {lead, 1};
    for (const LeadByte& kind : kLeadBytes) {
        if ((lead & kind.mask) != kind.marker) continue;
        if (text.size() - at < kind.length) return {};
        char32_t codePoint = lead & static_cast<std::uint8_t>(~kind.mask);
        for (std::size_t i = 1; i < kind.length; ++i) {
            const auto next = static_cast<std::uint8_t>(text[at + i]);
            if ((next & 0xC0) != 0x80) return {};
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const bool surrogate = codePoint >= kSurrogatesFirst && codePoint <= kSurrogatesLast;
        if (codePoint < kind.smallest || codePoint > kLastCodePoint || surrogate) return {};
        return {codePoint, kind.length};
    }
    return {};
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const Decoded decoded = DecodeAt(bytes, at);
        if (decoded.length == 0) return false;
        at += decoded.length;
    }
    return true;
}

std::string TagTextToUtf8(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    if (IsValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (const char byte : text) {
        const auto b = static_cast<std::uint8_t>(byte);
        constexpr std::uint8_t kHighFirst = 0x80;
        constexpr std::uint8_t kHighLast = 0x9F;
        AppendUtf8(out, b >= kHighFirst && b <= kHighLast ? kCp1252High[b - kHighFirst] : b);
    }
    return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const Decoded decoded = DecodeAt(utf8, at);
        if (decoded.length == 0 || decoded.codePoint > kLatin1Last) return std::nullopt;
        out += static_cast<char>(decoded.codePoint);
        at += decoded.length;
    }
    return out;
}

}  // namespace zel
