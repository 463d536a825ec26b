#include "cli/json_result.h"

#include <cstdio>

#include "texts/utf8_sequence.h"

namespace zel::cli {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;

void AppendUnicodeEscape(std::string& out, unsigned char byte) {
    char hex[7];
    std::snprintf(hex, sizeof hex, "\\u%04X", byte);
    out += hex;
}

// A byte that is not part of valid UTF-8 as the lone low surrogate U+DC80..U+DCFF, as
// Python's surrogateescape decodes it. Valid UTF-8 never holds a surrogate, so no name
// can read the same as another.
void AppendStrayByte(std::string& out, unsigned char byte) {
    char hex[7];
    std::snprintf(hex, sizeof hex, "\\udc%02x", byte);
    out += hex;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = texts::Utf8SequenceLength(text, i);
            if (length == 0) {
                AppendStrayByte(out, c);
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
    line += r.levelFields;
    line += "}\n";
    return line;
}

}  // namespace zel::cli
