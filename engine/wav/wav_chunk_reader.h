#pragma once
// The chunk walker for RIFF/WAVE, RF64 (with ds64) and RIFX files. Every size is checked
// against what its chunk and the file hold before it is used; nothing past either is read.
// The first 4096 chunks besides fmt, data and ds64 are listed, so a hostile file of tiny
// chunks cannot grow the list without bound; later ones are only counted.

#include "engine/base/random_access_bytes.h"
#include "engine/wav/wav_layout.h"

namespace zel {

WavReadOutcome ReadWavLayout(RandomAccessBytes& source);

}  // namespace zel
