#include "tests/support/ts_catalogue.h"

#include <QFile>
#include <QXmlStreamReader>

namespace zel::test {

namespace {

TsMessage ReadMessage(QXmlStreamReader& xml, const QString& context) {
    TsMessage message{context, {}, {}, {}};
    while (xml.readNextStartElement()) {
        if (xml.name() == u"source") {
            message.source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else {
            xml.skipCurrentElement();
        }
    }
    return message;
}

void ReadContext(QXmlStreamReader& xml, std::vector<TsMessage>& messages) {
    QString name;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"name")
            name = xml.readElementText();
        else if (xml.name() == u"message")
            messages.push_back(ReadMessage(xml, name));
        else
            xml.skipCurrentElement();
    }
}

}  // namespace

TsCatalogue ReadTsCatalogue(const QString& path) {
    TsCatalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        catalogue.error = path + QStringLiteral(": ") + file.errorString();
        return catalogue;
    }
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != u"TS") {
        catalogue.error = path + QStringLiteral(": not a translation source file");
        return catalogue;
    }
    catalogue.language = xml.attributes().value(QLatin1String("language")).toString();
    catalogue.sourceLanguage = xml.attributes().value(QLatin1String("sourcelanguage")).toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == u"context")
            ReadContext(xml, catalogue.messages);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        catalogue.error = path + QStringLiteral(": ") + xml.errorString();
        return catalogue;
    }
    catalogue.ok = true;
    return catalogue;
}

QString Describe(const std::vector<TsMessage>& messages) {
    QString text;
    for (const TsMessage& m : messages) text += m.context + QStringLiteral(": ") + m.source + u'\n';
    return text;
}

}  // namespace zel::test
