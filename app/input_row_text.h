#pragma once
// The texts of one input-list row and the order in which rows sort. Runs of digits sort by
// their value, so "8000 Hz" comes before "11025 Hz" and "take2" before "take10".

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
QString FrequencyText(std::uint32_t sampleRate);  // "44100 Hz", "8000 Hz"
QString BitsText(std::uint16_t bitsPerSample);    // "16 bit", "8 bit"
// With the encoding named where bits alone do not say it: "32 bit float", "8 bit A-law".
QString BitsText(std::uint16_t bitsPerSample, zel::SampleEncoding encoding);

// The five format columns of a row, indexed like InputColumn (name and folder left empty).
struct RowTexts {
    QString cells[kInputColumnCount];
    QString formatTip;  // the format's full name, where the column holds a word of it
};

// The columns of a probed file of any readable format, its duration past 4 GiB included;
// a lossy codec names itself in the bits column ("Vorbis"), having no sample size.
RowTexts FormatColumnTexts(const zel::InputProbe& probe);

// Orders two cell texts: runs of ASCII digits by their value; otherwise only the ASCII
// letters a..z are raised to upper case, and the texts are compared code unit by code unit.
// Texts that differ only in leading zeros: the shorter first. -1, 0 or 1.
int CompareCellTexts(const QString& a, const QString& b);
