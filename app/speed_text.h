#pragma once
// The playback-speed slider's range and the label that follows it.

#include <QString>

inline constexpr int kSpeedTickInterval = 5;
inline constexpr int kSpeedStep = 1;       // arrow keys
inline constexpr int kSpeedPageStep = 10;  // Page Up/Down and clicks beside the thumb

// The factor position / 100 with two decimals and "倍": "1.00倍" at 100, "0.57倍" at 57.
QString SpeedLabelText(int position);
