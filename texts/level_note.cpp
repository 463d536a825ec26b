#include "texts/level_note.h"

#include <cmath>
#include <cstdio>

namespace zel::texts {
namespace {

// One decimal: what a listener could tell apart, and what meters show.
std::string Decibels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", value);
    return text;
}

}  // namespace

std::string LevelNoteText(const LevelOutcome& level, UiLanguage language) {
    if (!level.applied) return {};
    const bool english = language == UiLanguage::kEnglish;
    const bool album = level.albumFiles > 0;
    std::string text = english ? (album ? " (album gain " : " (gain ")
                               : (album ? "（アルバムゲイン " : "（ゲイン ");
    text += Decibels(level.gainDb) + " dB";
    if (std::isfinite(level.loudnessBefore)) {
        text += english ? ", loudness " : "、ラウドネス ";
        text += Decibels(level.loudnessBefore) + (english ? " -> " : " → ") +
                Decibels(level.loudnessAfter) + " LUFS";
    }
    if (std::isfinite(level.albumLoudnessBefore)) {
        text += english ? ", album " : "、アルバム ";
        text += Decibels(level.albumLoudnessBefore) + (english ? " -> " : " → ") +
                Decibels(level.albumLoudnessAfter) + " LUFS";
    }
    if (level.ceilingLimited)
        text += english ? ", short of the target: held at the true-peak ceiling"
                        : "、トゥルーピーク上限のため目標に届いていません";
    text += english ? ")" : "）";
    return text;
}

}  // namespace zel::texts
