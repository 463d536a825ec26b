// The translation catalogues: every message has a finished translation that keeps its
// placeholders and mnemonic, lupdate finds no text in the sources that the catalogue
// lacks, and no Japanese text is written anywhere without going through the catalogue.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/source_literals.h"
#include "tests/support/ts_catalogue.h"

using zel::test::Describe;
using zel::test::NonAsciiStringLiterals;
using zel::test::ReadTsCatalogue;
using zel::test::SourceLiteral;
using zel::test::StringLiterals;
using zel::test::TsCatalogue;
using zel::test::TsMessage;

namespace {

constexpr int kLupdateTimeoutMs = 120000;
const QString kIncludePrefix = QStringLiteral("-I");

// What the build wrote for this test: lupdate, the catalogues and the list of the source
// files whose texts reach the user (lupdate's own list-file format, include paths too).
struct CheckInputs {
    QString lupdate;
    QStringList catalogues;
    QString sourceList;
};

CheckInputs ReadCheckInputs() {
    CheckInputs inputs;
    QFile file(QStringLiteral(ZEL_TRANSLATION_CHECK_INPUTS));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return inputs;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == u"lupdate") inputs.lupdate = value;
        if (key == u"catalogue") inputs.catalogues << value;
        if (key == u"sources") inputs.sourceList = value;
    }
    return inputs;
}

QStringList SourceFiles(const QString& sourceList) {
    QFile file(sourceList);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QStringList files;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(kIncludePrefix)) files << line;
    return files;
}

// %1 ... %99 in a text, as a sorted list.
QStringList Placeholders(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("%\\d+"));
    QStringList found;
    for (const auto& match : pattern.globalMatch(text)) found << match.captured();
    found.sort();
    return found;
}

// A mnemonic is an '&' before a character other than '&'.
bool HasMnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] != u'&') return true;
        ++i;
    }
    return false;
}

TsCatalogue Failure(const QString& error) {
    TsCatalogue catalogue;
    catalogue.error = error;
    return catalogue;
}

// Runs lupdate over the build's source list and `extraSources` into a copy of `catalogue`
// and reads the copy back; the catalogue itself is left alone.
TsCatalogue UpdatedCopy(const CheckInputs& inputs, const QString& catalogue,
                        const QTemporaryDir& dir, const QStringList& extraSources = {}) {
    const QString copy = dir.filePath(QFileInfo(catalogue).fileName());
    QFile::remove(copy);
    if (!QFile::copy(catalogue, copy)) return Failure(QStringLiteral("cannot copy ") + catalogue);
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(inputs.lupdate,
                  QStringList{u'@' + inputs.sourceList} + extraSources +
                      QStringList{QStringLiteral("-locations"), QStringLiteral("none"),
                                  QStringLiteral("-ts"), copy});
    if (!lupdate.waitForFinished(kLupdateTimeoutMs) ||
        lupdate.exitStatus() != QProcess::NormalExit || lupdate.exitCode() != 0)
        return Failure(QStringLiteral("lupdate failed: ") +
                       QString::fromLocal8Bit(lupdate.readAll()));
    return ReadTsCatalogue(copy);
}

std::vector<TsMessage> WithType(const TsCatalogue& catalogue, const QString& type) {
    std::vector<TsMessage> found;
    for (const TsMessage& m : catalogue.messages)
        if (m.type == type) found.push_back(m);
    return found;
}

}  // namespace

class TranslationCatalogueTest : public QObject {
    Q_OBJECT

  private:
    CheckInputs m_inputs;

  private slots:
    void initTestCase() {
        m_inputs = ReadCheckInputs();
        QVERIFY2(!m_inputs.lupdate.isEmpty() && !m_inputs.catalogues.isEmpty(),
                 ZEL_TRANSLATION_CHECK_INPUTS);
        QVERIFY(SourceFiles(m_inputs.sourceList).size() > 10);
    }

    void everyMessageHasAFinishedTranslation() {
        for (const QString& path : m_inputs.catalogues) {
            const TsCatalogue catalogue = ReadTsCatalogue(path);
            QVERIFY2(catalogue.ok, qPrintable(catalogue.error));
            QCOMPARE(catalogue.sourceLanguage, QString("ja_JP"));
            QVERIFY(!catalogue.messages.empty());
            std::vector<TsMessage> unfinished, keysLost, mnemonicLost;
            for (const TsMessage& m : catalogue.messages) {
                if (!m.type.isEmpty() || m.translation.trimmed().isEmpty()) unfinished.push_back(m);
                if (Placeholders(m.source) != Placeholders(m.translation)) keysLost.push_back(m);
                if (HasMnemonic(m.source) && !HasMnemonic(m.translation)) mnemonicLost.push_back(m);
            }
            QVERIFY2(unfinished.empty(),
                     qPrintable(path + ", not translated:\n" + Describe(unfinished)));
            QVERIFY2(keysLost.empty(),
                     qPrintable(path + ", placeholders differ:\n" + Describe(keysLost)));
            QVERIFY2(mnemonicLost.empty(),
                     qPrintable(path + ", mnemonic lost:\n" + Describe(mnemonicLost)));
        }
    }

    // A text added to the sources without a translation shows up here as "unfinished", one
    // removed from them as "vanished".
    void lupdateFindsNothingNewInTheSources() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString& path : m_inputs.catalogues) {
            const TsCatalogue committed = ReadTsCatalogue(path);
            const TsCatalogue updated = UpdatedCopy(m_inputs, path, dir);
            QVERIFY2(updated.ok, qPrintable(updated.error));
            const auto unfinished = WithType(updated, QStringLiteral("unfinished"));
            const auto vanished = WithType(updated, QStringLiteral("vanished"));
            QVERIFY2(unfinished.empty(), qPrintable(path +
                                                    ", texts without translation (build the target "
                                                    "update_translations and translate them):\n" +
                                                    Describe(unfinished)));
            QVERIFY2(vanished.empty(),
                     qPrintable(path + ", texts no source uses any more:\n" + Describe(vanished)));
            QCOMPARE(updated.messages.size(), committed.messages.size());
        }
    }

    // The check above is only as good as lupdate's reading of the sources: a new text in a
    // new file must come out unfinished.
    void lupdateReportsATextAddedToTheSources() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile probe(dir.filePath("probe_dialog.cpp"));
        QVERIFY(probe.open(QIODevice::WriteOnly));
        probe.write(
            "class ProbeDialog : public QDialog {\n    Q_OBJECT\n};\n"
            "void ProbeDialog::Build() { setWindowTitle(tr(\"試験用の新しい見出し\")); }\n");
        probe.close();
        const TsCatalogue updated =
            UpdatedCopy(m_inputs, m_inputs.catalogues.first(), dir, {probe.fileName()});
        QVERIFY2(updated.ok, qPrintable(updated.error));
        bool reported = false;
        for (const TsMessage& m : WithType(updated, QStringLiteral("unfinished")))
            reported =
                reported || (m.context == u"ProbeDialog" && m.source == u"試験用の新しい見出し");
        QVERIFY(reported);
    }

    // lupdate sees only texts passed to tr() and its kin; a Japanese text written straight
    // into a QStringLiteral, or into the engine or the batch instead of texts/, is caught
    // here.
    void everyJapaneseTextIsInTheCatalogue() {
        QSet<QString> sources;
        for (const QString& path : m_inputs.catalogues)
            for (const TsMessage& m : ReadTsCatalogue(path).messages) sources.insert(m.source);
        QStringList missing;
        int seen = 0;
        for (const QString& file : SourceFiles(m_inputs.sourceList)) {
            QFile source(file);
            QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(file));
            for (const SourceLiteral& literal : NonAsciiStringLiterals(source.readAll())) {
                ++seen;
                if (!sources.contains(literal.text))
                    missing << QStringLiteral("%1:%2: %3")
                                   .arg(file)
                                   .arg(literal.line)
                                   .arg(literal.text);
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable("not in the catalogue:\n" + missing.join(u'\n')));
        // The main window's captions alone are a dozen; far fewer means the scan went wrong.
        QVERIFY(seen >= 12);
    }

    void literalsAreReadAsTheCompilerReadsThem_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("comments are skipped")
            << QByteArray("// \"注釈\"\n/* \"注釈\"\n */ f(\"本文\");") << QStringList{"本文"}
            << QList<int>{3};
        QTest::newRow("adjacent pieces are joined")
            << QByteArray("x = \"前半\"  // why\n    \"後半\";\ny = \"別\";")
            << QStringList{"前半後半", "別"} << QList<int>{1, 3};
        QTest::newRow("escapes are decoded") << QByteArray("tr(\"%1\\n対応\\\"\\\\\")")
                                             << QStringList{"%1\n対応\"\\"} << QList<int>{1};
        QTest::newRow("a quote in a character literal opens no string")
            << QByteArray("c = '\"'; s = \"文\"; d = '\\''; n = 1'000;") << QStringList{"文"}
            << QList<int>{1};
        QTest::newRow("raw strings stand as written")
            << QByteArray("s = R\"x(生の\\n\"文\")x\";") << QStringList{"生の\\n\"文\""}
            << QList<int>{1};
    }
    void literalsAreReadAsTheCompilerReadsThem() {
        QFETCH(QByteArray, source);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, lines);
        QStringList foundTexts;
        QList<int> foundLines;
        for (const SourceLiteral& literal : NonAsciiStringLiterals(source)) {
            foundTexts << literal.text;
            foundLines << literal.line;
        }
        QCOMPARE(foundTexts, texts);
        QCOMPARE(foundLines, lines);
    }

    void asciiLiteralsAreNotTakenForUserTexts() {
        const QByteArray source("setObjectName(\"okButton\"); tr(\"日本語\");");
        QCOMPARE(StringLiterals(source).size(), std::size_t{2});
        QCOMPARE(NonAsciiStringLiterals(source).size(), std::size_t{1});
    }
};

QTEST_GUILESS_MAIN(TranslationCatalogueTest)
#include "translation_catalogue_test.moc"
