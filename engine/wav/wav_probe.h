#pragma once
// A look at a file's layout without converting it: what the input list shows and the same
// reader the conversion uses, so the list admits exactly the files the conversion reads
// and names the reason for any other.

#include <filesystem>

#include "engine/wav/wav_layout.h"

namespace zel {

struct WavProbe {
    enum class Status { kCannotOpen, kRefused, kAccepted };
    Status status = Status::kCannotOpen;
    // Why the file was refused (kRefused).
    WavRefusalReason refusal;
    // All the reader found (kAccepted): the format the list's columns show, the frames.
    WavLayout layout;
};

WavProbe ProbeWavFile(const std::filesystem::path& path);

}  // namespace zel
