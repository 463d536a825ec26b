// The texts of an input-list row and the order in which rows sort.

#include "app/input_row_text.h"

#include <QtTest>

class InputRowTextTest : public QObject {
    Q_OBJECT

  private slots:
    void durationIsPaddedToFixedWidths_data() {
        QTest::addColumn<quint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint64(0) << " 0:00:00";
        QTest::newRow("one minute") << quint64(60) << " 0:01:00";
        QTest::newRow("3h 5m 7s") << quint64(3 * 3600 + 5 * 60 + 7) << " 3:05:07";
        QTest::newRow("99h 59m 59s") << quint64(99 * 3600 + 59 * 60 + 59) << "99:59:59";
        QTest::newRow("100 hours widen") << quint64(100 * 3600) << "100:00:00";
    }
    void durationIsPaddedToFixedWidths() {
        QFETCH(quint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(DurationText(seconds), text);
    }

    void shortClipsShowTenths_data() {
        QTest::addColumn<quint64>("frames");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.4 s") << quint64(17640) << quint32(44100) << " 0:00:00.4";
        QTest::newRow("tenths are cut, not rounded") << quint64(47999) << quint32(48000)
                                                      << " 0:00:00.9";
        QTest::newRow("9.5 s") << quint64(9 * 8000 + 4000) << quint32(8000) << " 0:00:09.5";
        QTest::newRow("ten seconds: whole seconds") << quint64(10 * 44100 + 30000)
                                                    << quint32(44100) << " 0:00:10";
        QTest::newRow("no rate") << quint64(5) << quint32(0) << " 0:00:00";
    }
    void shortClipsShowTenths() {
        QFETCH(quint64, frames);
        QFETCH(quint32, rate);
        QFETCH(QString, text);
        QCOMPARE(DurationText(frames, rate), text);
    }

    void cellOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "/x/a.wav"
                               << "/x/a.wav" << 0;
        QTest::newRow("case is ignored for ASCII") << "/x/Abc.WAV"
                                                   << "/x/aBC.wav" << 0;
        QTest::newRow("numbers by value: 2 before 10") << "2"
                                                       << "10" << -1;
        QTest::newRow("unpadded frequencies") << "8000 Hz"
                                              << "11025 Hz" << -1;
        QTest::newRow("numbered names") << "take2.wav"
                                        << "take10.wav" << -1;
        QTest::newRow("number then text") << "16 bit"
                                          << "16 bit float" << -1;
        QTest::newRow("leading zeros: value first") << "007"
                                                    << "10" << -1;
        QTest::newRow("same value, fewer zeros first") << "x1"
                                                       << "x01" << -1;
        QTest::newRow("longer than 64 bits") << "99999999999999999999999"
                                             << "100000000000000000000000" << -1;
        // Upper-casing puts '_' (0x5F) after the letters; lower-casing would not.
        QTest::newRow("underscore after letters") << "a_b"
                                                  << "aab" << 1;
        QTest::newRow("prefix first") << "abc"
                                      << "abcd" << -1;
        QTest::newRow("empty first") << ""
                                     << "a" << -1;
        QTest::newRow("non-ASCII is not folded")
            << QString::fromUtf8("é") << QString::fromUtf8("É") << 1;
        QTest::newRow("code units beyond ASCII") << QString::fromUtf8("あ") << "z" << 1;
    }
    void cellOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(CompareCellTexts(a, b), order);
        QCOMPARE(CompareCellTexts(b, a), -order);
    }
};

QTEST_APPLESS_MAIN(InputRowTextTest)
#include "input_row_text_test.moc"
