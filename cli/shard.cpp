#include "cli/shard.h"

#include <charconv>

namespace zel::cli {
namespace {

constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

bool ParseCount(std::string_view text, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = kFnvOffsetBasis;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

bool Shard::Holds(std::string_view relativePath) const {
    return Fnv1a64(relativePath) % count == index;
}

std::optional<Shard> ParseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    Shard shard;
    const std::string_view view(text);
    if (!ParseCount(view.substr(0, slash), shard.index) ||
        !ParseCount(view.substr(slash + 1), shard.count) || shard.count == 0 ||
        shard.index >= shard.count)
        return std::nullopt;
    return shard;
}

}  // namespace zel::cli
