#include "texts/escaped_name.h"

#include <cstdio>

namespace zel::texts {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

bool IsControl(unsigned char c) { return c < kFirstPrintable || c == kDelete; }

}  // namespace

std::string EscapedName(std::string_view name) {
    std::string escaped;
    escaped.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                if (IsControl(c)) {
                    char hex[5];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    escaped += hex;
                } else {
                    escaped += ch;
                }
        }
    }
    return escaped;
}

}  // namespace zel::texts
