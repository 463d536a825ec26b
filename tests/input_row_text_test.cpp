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

    void cellOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "/x/a.wav"
                               << "/x/a.wav" << 0;
        QTest::newRow("case is ignored for ASCII") << "/x/Abc.WAV"
                                                   << "/x/aBC.wav" << 0;
        QTest::newRow("text, not number: 10 before 2") << "10"
                                                       << "2" << -1;
        QTest::newRow("blank pads before digits") << " 8000Hz"
                                                  << "11025Hz" << -1;
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
