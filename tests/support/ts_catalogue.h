#pragma once
// Reads a Qt translation source (.ts) file: every message with its context, source text,
// translation and the translation's state.

#include <QString>
#include <vector>

namespace zel::test {

struct TsMessage {
    QString context;
    QString source;
    QString translation;
    // The translation's type attribute: empty for a finished translation, else
    // "unfinished", "vanished" or "obsolete".
    QString type;
};

struct TsCatalogue {
    bool ok = false;
    QString error;  // why the file could not be read
    QString language;
    QString sourceLanguage;
    std::vector<TsMessage> messages;
};

TsCatalogue ReadTsCatalogue(const QString& path);

// "context: source" for messages, one per line, for failure reports.
QString Describe(const std::vector<TsMessage>& messages);

}  // namespace zel::test
