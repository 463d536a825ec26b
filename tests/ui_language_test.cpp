// Which language the locale variables ask for: LC_ALL before LC_MESSAGES before LANG,
// empty ones not counting, English only for the language "en".

#include "texts/ui_language.h"

#include <QtTest>

Q_DECLARE_METATYPE(UiLanguage)

namespace {
// Null stands for an unset variable; the table keeps it apart from an empty one.
const char* OrNull(const QByteArray& value) {
    return value == "<unset>" ? nullptr : value.constData();
}
}  // namespace

class UiLanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void languageOfTheLocale_data() {
        QTest::addColumn<QByteArray>("lcAll");
        QTest::addColumn<QByteArray>("lcMessages");
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<UiLanguage>("language");
        const QByteArray unset = "<unset>";
        const auto en = UiLanguage::kEnglish, ja = UiLanguage::kJapanese;
        QTest::newRow("nothing set") << unset << unset << unset << ja;
        QTest::newRow("all empty") << QByteArray() << QByteArray() << QByteArray() << ja;
        QTest::newRow("LANG en_US.UTF-8") << unset << unset << QByteArray("en_US.UTF-8") << en;
        QTest::newRow("LANG en") << unset << unset << QByteArray("en") << en;
        QTest::newRow("LANG en_GB") << unset << unset << QByteArray("en_GB") << en;
        QTest::newRow("LANG en@modifier") << unset << unset << QByteArray("en@euro") << en;
        QTest::newRow("LANG ja_JP.UTF-8") << unset << unset << QByteArray("ja_JP.UTF-8") << ja;
        QTest::newRow("LANG C") << unset << unset << QByteArray("C") << ja;
        QTest::newRow("LANG C.UTF-8") << unset << unset << QByteArray("C.UTF-8") << ja;
        QTest::newRow("LANG fr_FR") << unset << unset << QByteArray("fr_FR.UTF-8") << ja;
        QTest::newRow("a code that only starts with en")
            << unset << unset << QByteArray("enx_XX") << ja;
        QTest::newRow("LC_MESSAGES over LANG")
            << unset << QByteArray("en_US.UTF-8") << QByteArray("ja_JP.UTF-8") << en;
        QTest::newRow("LC_MESSAGES ja over LANG en")
            << unset << QByteArray("ja_JP.UTF-8") << QByteArray("en_US.UTF-8") << ja;
        QTest::newRow("LC_ALL over both")
            << QByteArray("ja_JP.UTF-8") << QByteArray("en_US.UTF-8") << QByteArray("en_US") << ja;
        QTest::newRow("LC_ALL en over both")
            << QByteArray("en_US.UTF-8") << QByteArray("ja_JP.UTF-8") << QByteArray("ja_JP") << en;
        QTest::newRow("empty LC_ALL does not count")
            << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("ja_JP") << en;
        QTest::newRow("empty LC_MESSAGES does not count")
            << unset << QByteArray() << QByteArray("en_US.UTF-8") << en;
    }
    void languageOfTheLocale() {
        QFETCH(QByteArray, lcAll);
        QFETCH(QByteArray, lcMessages);
        QFETCH(QByteArray, lang);
        QFETCH(UiLanguage, language);
        QCOMPARE(UiLanguageForLocale(OrNull(lcAll), OrNull(lcMessages), OrNull(lang)), language);
    }
};

QTEST_GUILESS_MAIN(UiLanguageTest)
#include "ui_language_test.moc"
