#pragma once
// The loudness fields of a carried bext chunk (BWF version 2): LoudnessValue and
// MaxTruePeakLevel, in hundredths of LU/dB, and the chunk's version raised to 2. Fields not
// measured hold 0x7FFF, "not known".

#include <optional>
#include <vector>

#include "engine/wav/metadata_carry.h"

namespace zel {

struct BextLoudness {
    // LUFS and dBTP of the output; nullopt for a field not measured (or silence).
    std::optional<double> integrated;
    std::optional<double> truePeak;
};

// Stamps every bext chunk among `chunks` (held, as carried chunks whose contents change
// always are) that is long enough to hold the fields.
void StampBextLoudness(std::vector<CarriedChunk>& chunks, const BextLoudness& loudness);

}  // namespace zel
