#pragma once
// The messages of the engine and the batch worker in the language of the user interface.
// Those layers know nothing of Qt and give their messages in Japanese, the language the
// catalogue is written in; app/engine_texts.cpp registers every one of them there.

#include <QString>
#include <string_view>

#include "batch/batch_settings.h"
#include "engine/conversion_result.h"

// The translation of a message the engine or the batch worker gave (UTF-8); the message
// itself when the catalogue has none for it.
QString EngineText(std::string_view message);

QString ConversionResultText(zel::ConversionResult code);
QString SettingsProblemText(zel::SettingsProblem problem);
