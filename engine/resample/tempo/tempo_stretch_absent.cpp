// A build without SoundTouch (the arm64 cross build): keeping the pitch is refused.
#include "engine/resample/tempo/tempo_stretch.h"

namespace zel {

struct TempoStretch::State {};

TempoStretch::TempoStretch() = default;
TempoStretch::~TempoStretch() = default;

bool TempoStretch::Available() { return false; }
bool TempoStretch::Start(int, std::uint32_t, double) { return false; }
void TempoStretch::Put(const float*, std::int64_t) {}
void TempoStretch::Flush() {}
std::int64_t TempoStretch::Receive(float*, std::int64_t) { return 0; }

}  // namespace zel
