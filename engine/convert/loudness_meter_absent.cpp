// A build without libebur128 (the arm64 cross build): loudness targets are refused.
#include "engine/convert/loudness_meter.h"

namespace zel {

struct LoudnessMeter::State {};

LoudnessMeter::LoudnessMeter() = default;
LoudnessMeter::~LoudnessMeter() = default;

bool LoudnessMeter::Available() { return false; }
bool LoudnessMeter::Start(std::uint32_t, std::uint32_t) { return false; }
bool LoudnessMeter::Add(const float*, std::size_t) { return false; }
LoudnessReading LoudnessMeter::Reading() const { return {}; }

}  // namespace zel
