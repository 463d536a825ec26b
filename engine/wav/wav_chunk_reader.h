#pragma once
// The chunk walker for RIFF/WAVE, RF64 (with ds64) and RIFX files. Every size is checked
// against what its chunk and the file hold before it is used; nothing past either is read.

#include "engine/base/random_access_bytes.h"
#include "engine/wav/wav_layout.h"

namespace zel {

WavReadOutcome ReadWavLayout(RandomAccessBytes& source);

}  // namespace zel
