#pragma once
// The words for the codes that the engine and the batch give: result codes with their
// details and the refusals of a batch's settings, in Japanese and in English. Both
// programs show these texts; the desktop application's own captions are translated by
// Qt's system instead.

#include <cstdint>
#include <string>
#include <string_view>

#include "batch/batch_settings.h"
#include "engine/convert/conversion_outcome.h"
#include "texts/ui_language.h"

namespace zel::texts {

// The message for a result code alone; an unknown code reads "不明なエラー (code N)".
std::string ResultCodeText(ConversionResult code, UiLanguage language);

// The words for a detail; empty for ResultDetail::kNone.
std::string_view ResultDetailText(ResultDetail detail, UiLanguage language);

// Why a WAV file cannot be read, with its number (tag, channels, bits, rate) filled in;
// empty for WavRefusal::kNone.
std::string WavRefusalText(const WavRefusalReason& refusal, UiLanguage language);

// The message for a file's outcome: the code's message, then its detail (or the reason an input was
// refused) in brackets. A system error's number is told by the system's own description.
std::string OutcomeText(const ConversionOutcome& outcome, UiLanguage language);

// The note on a file whose output had `samples` samples saturated: "（N サンプルをクリップ）".
std::string ClippedNoteText(std::int64_t samples, UiLanguage language);
// The note on a file whose float input held `samples` NaN or infinite samples, which were
// converted as silence.
std::string NonFiniteNoteText(std::int64_t samples, UiLanguage language);
// The note on a file whose output goes without `chunks` of the input's metadata chunks
// (past the reader's limits).
std::string MetadataLeftOutNoteText(std::int64_t chunks, UiLanguage language);
// Every note that applies to the outcome, one after another; empty when none does.
std::string OutcomeNotesText(const ConversionOutcome& outcome, UiLanguage language);

// The refusal of a batch's settings; empty for SettingsProblem::kNone.
std::string_view SettingsProblemText(SettingsProblem problem, UiLanguage language);

}  // namespace zel::texts
