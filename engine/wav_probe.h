#pragma once
// A look at a file's 44-byte header without converting it: what the input list shows and
// the same acceptance test the conversion applies, so the list never admits a file the
// conversion would refuse.

#include <filesystem>

#include "engine/wav_header.h"

namespace zel {

struct WavProbe {
    enum class Status { kCannotOpen, kRefused, kAccepted };
    Status status = Status::kCannotOpen;
    HeaderVerdict verdict = HeaderVerdict::kBadIdentifiers;
    WavFormat format;
};

WavProbe ProbeWavFile(const std::filesystem::path& path);

// Whole seconds of audio a header describes (data length / block align / rate).
std::uint64_t DurationSeconds(const WavFormat& format);

}  // namespace zel
