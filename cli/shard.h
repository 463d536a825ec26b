#pragma once
// One of N parts of a batch, for schedulers that start N copies of zel-cli: a file
// belongs to part hash(relative path) mod N, with the 64-bit FNV-1a hash. The choice
// depends on the file's own path only, so adding files never moves another one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zel::cli {

struct Shard {
    std::uint64_t index = 0;
    std::uint64_t count = 1;
    bool Holds(std::string_view relativePath) const;
};

std::uint64_t Fnv1a64(std::string_view bytes);

// "K/N" with 0 <= K < N; none otherwise.
std::optional<Shard> ParseShard(const std::string& text);

}  // namespace zel::cli
