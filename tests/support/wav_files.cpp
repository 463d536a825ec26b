#include "tests/support/wav_files.h"

#include <algorithm>
#include <vector>

#include "engine/wav/wav_header.h"
#include "tests/support/canonical_header.h"
#include "tests/support/wav_reader.h"

namespace zel::test {

bool WriteTone(const std::filesystem::path& path, const SignalFormat& format, std::int64_t frames) {
    return WriteFileBytes(path, MakeWavBytes(format, SineSignal(format, frames, 440.0, 0.5)));
}

StoredWav InspectWav(const std::filesystem::path& path) {
    const LoadedWav wav = LoadWav(path);
    StoredWav stored;
    if (!wav.ok) return stored;
    stored.sampleRate = wav.format.sampleRate;
    stored.dataBytes = wav.format.dataLength;
    stored.blockAlign = wav.format.blockAlign;
    stored.consistent = HasCanonicalIdentifiers(wav.header) && wav.HeaderConsistent() &&
                        wav.format.blockAlign != 0 &&
                        wav.format.dataLength % wav.format.blockAlign == 0;
    return stored;
}

}  // namespace zel::test
