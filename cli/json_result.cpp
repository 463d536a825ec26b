#include "cli/json_result.h"

#include <cstdio>

namespace zel::cli {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;

// The length of the valid UTF-8 sequence at `i`, or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= minimum && code <= 0x10FFFF && !surrogate ? length : 0;
}

void AppendUnicodeEscape(std::string& out, unsigned char byte) {
    char hex[7];
    std::snprintf(hex, sizeof hex, "\\u%04X", byte);
    out += hex;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, i);
            if (length == 0) {
                AppendUnicodeEscape(out, c);
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < kFirstPrintable)
                    AppendUnicodeEscape(out, c);
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string JsonLine(const JsonResult& r) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", r.seconds);
    std::string line = "{\"input\":" + JsonString(r.input);
    line += ",\"output\":" + JsonString(r.output);
    line += ",\"code\":" + std::to_string(r.code);
    line += ",\"message\":" + JsonString(r.message);
    line += ",\"framesIn\":" + std::to_string(r.framesIn);
    line += ",\"framesOut\":" + std::to_string(r.framesOut);
    line += ",\"seconds\":" + std::string(seconds);
    line += ",\"clippedSamples\":" + std::to_string(r.clippedSamples);
    line += ",\"nonFiniteSamples\":" + std::to_string(r.nonFiniteSamples);
    line += ",\"metadataChunksLeftOut\":" + std::to_string(r.metadataChunksLeftOut);
    line += "}\n";
    return line;
}

}  // namespace zel::cli
