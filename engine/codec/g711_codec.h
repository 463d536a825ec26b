#pragma once
// G.711 µ-law and A-law companding, to and from 16-bit linear samples.

#include <cstdint>

namespace zel {

std::int16_t MuLawToLinear(std::uint8_t code);
std::int16_t ALawToLinear(std::uint8_t code);
std::uint8_t LinearToMuLaw(std::int16_t sample);
std::uint8_t LinearToALaw(std::int16_t sample);

}  // namespace zel
