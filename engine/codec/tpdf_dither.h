#pragma once
// Triangular (TPDF) dither for integer outputs: the difference of two uniform values in
// [0, 1), one step peak-to-peak each side, from a small xorshift generator (the same
// sequence for the same seed).

#include <cstdint>

namespace zel {

class TpdfDither {
  public:
    explicit TpdfDither(std::uint64_t seed = 0x9E3779B97F4A7C15ull) : state_(seed | 1) {}
    float Next() { return Uniform() - Uniform(); }

  private:
    float Uniform();
    std::uint64_t state_;
};

}  // namespace zel
