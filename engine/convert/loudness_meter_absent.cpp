// A build without libebur128 (the arm64 cross build): loudness targets are refused, and no
// album is measured.
#include <cmath>

#include "engine/convert/album_loudness_meter.h"
#include "engine/convert/loudness_meter.h"

namespace zel {

struct LoudnessMeter::State {};

LoudnessMeter::LoudnessMeter() = default;
LoudnessMeter::~LoudnessMeter() = default;

bool LoudnessMeter::Available() { return false; }
bool LoudnessMeter::Start(std::uint32_t, std::uint32_t) { return false; }
bool LoudnessMeter::Add(const float*, std::size_t) { return false; }
LoudnessReading LoudnessMeter::Reading() const { return {}; }

struct AlbumLoudnessMeter::State {};

AlbumLoudnessMeter::AlbumLoudnessMeter() = default;
AlbumLoudnessMeter::~AlbumLoudnessMeter() = default;

bool AlbumLoudnessMeter::BeginFile(std::uint32_t, std::uint32_t) { return false; }
bool AlbumLoudnessMeter::Add(const float*, std::size_t) { return false; }
double AlbumLoudnessMeter::Integrated() const { return std::nan(""); }

}  // namespace zel
