#pragma once
// The note on the level a conversion set, in both languages: "（ゲイン -3.2 dB、ラウドネス
// -18.4 → -23.0 LUFS）" / " (gain -3.2 dB, loudness -18.4 -> -23.0 LUFS)", with a word when
// the true-peak ceiling held the gain back; an album's gain says so and adds the album's
// loudness ("（アルバムゲイン +2.0 dB、ラウドネス -19.0 → -17.0 LUFS、アルバム -25.0 →
// -23.0 LUFS）"). Empty when no level stage ran.

#include <string>

#include "engine/convert/level_outcome.h"
#include "texts/ui_language.h"

namespace zel::texts {

std::string LevelNoteText(const LevelOutcome& level, UiLanguage language);

}  // namespace zel::texts
