#pragma once
// The texts of one input-list row and the order in which rows sort. Numbers are padded
// with leading blanks to fixed widths, so that sorting them as text gives numeric order
// within those widths.

#include <QString>
#include <cstdint>

#include "engine/convert/input_probe.h"

enum InputColumn : int {
    kFileNameColumn,
    kDurationColumn,
    kChannelsColumn,
    kFrequencyColumn,
    kBitsColumn,
    kFormatColumn,
    kFolderColumn,
    kInputColumnCount
};

// " 0:01:00": hours (two places, more when needed), minutes, seconds.
QString DurationText(std::uint64_t seconds);
// A clip's length from its frames: as above, with tenths below ten seconds (" 0:00:00.4").
QString DurationText(std::uint64_t frames, std::uint32_t sampleRate);
QString ChannelsText(std::uint16_t channels);     // "2"
QString FrequencyText(std::uint32_t sampleRate);  // "44100Hz", " 8000Hz"
QString BitsText(std::uint16_t bitsPerSample);    // "16bits", " 8bits"
// With the encoding named where bits alone do not say it: "32bits float", " 8bits A-law".
QString BitsText(std::uint16_t bitsPerSample, zel::SampleEncoding encoding);

// The five format columns of a row, indexed like InputColumn (name and folder left empty).
struct RowTexts {
    QString cells[kInputColumnCount];
    QString formatTip;  // the format's full name, where the column holds a word of it
};

// The columns of a probed file of any readable format, its duration past 4 GiB included;
// a lossy codec names itself in the bits column ("Vorbis"), having no sample size.
RowTexts FormatColumnTexts(const zel::InputProbe& probe);

// Orders two cell texts: only the ASCII letters a..z are raised to upper case, then the
// texts are compared code unit by code unit. -1, 0 or 1.
int CompareCellTexts(const QString& a, const QString& b);
