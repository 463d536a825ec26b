#pragma once
// The integrated loudness of several files taken together (an album): the gating of
// ITU-R BS.1770 runs over the 400 ms blocks of every file at once, as libebur128's
// ebur128_loudness_global_multiple does over one meter per file. Here one meter holds them
// all: its filters and audio buffer start afresh with each file, so no block spans two
// files, and it counts its blocks in a histogram of 0.1 LU bins, so its memory stays the
// same for any number and length of files.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zel {

class AlbumLoudnessMeter {
  public:
    AlbumLoudnessMeter();
    ~AlbumLoudnessMeter();
    AlbumLoudnessMeter(const AlbumLoudnessMeter&) = delete;
    AlbumLoudnessMeter& operator=(const AlbumLoudnessMeter&) = delete;

    // The next file's frames follow. False when the meter cannot be had (out of memory, or
    // a build without libebur128); the meter then measures nothing more.
    bool BeginFile(std::uint32_t channels, std::uint32_t sampleRate);
    bool Add(const float* frames, std::size_t count);
    // LUFS over every file begun; -infinity for silence or when nothing was measured, NaN
    // once the meter failed.
    double Integrated() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zel
