#pragma once
// Where a conversion reports how much of its file is done, and learns whether to go on.
// Called on the converting thread after every block.

#include <cstdint>

namespace zel {

class ConversionProgress {
  public:
    virtual ~ConversionProgress() = default;
    // `percent` of the file (0..100) is done; false stops the conversion (cancelled).
    virtual bool Continue(std::int64_t percent) = 0;
    // After a stop: true when the part converted so far must not be kept, because the
    // caller can no longer report that the file was cut short.
    virtual bool DiscardPartial() const { return false; }
};

}  // namespace zel
