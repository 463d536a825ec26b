#pragma once
// The sample counts an iXML chunk holds as text, moved the way the bext chunk beside it is:
// the broadcast time reference (BWF_TIME_REFERENCE_LOW/HIGH) counts frames of the file, the
// file's rate (FILE_SAMPLE_RATE) becomes the output's, and the time stamp
// (TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO/HI) moves with its rate (TIMESTAMP_SAMPLE_RATE) when
// it is counted at the file's rate; at another rate it stays true as it is. Every other
// byte is left alone.

#include <cstdint>
#include <vector>

#include "engine/wav/frame_ratio.h"

namespace zel {

// The most a chunk grows when its numbers are rewritten: six numbers of up to 20 digits
// each, where the input may have had one. A chunk with this much spare capacity is moved
// without being copied.
inline constexpr std::size_t kIxmlTimelineGrowth = 128;

// A value that is not a plain decimal number is left alone, and so is the stamp's rate
// beside a stamp that could not move. A low half without its high half is a whole count.
void MoveIxmlTimeline(std::vector<std::uint8_t>& xml, const FrameRatio& ratio,
                      std::uint32_t inputRate, std::uint32_t outputRate);

}  // namespace zel
