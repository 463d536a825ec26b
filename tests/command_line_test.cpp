// The command line of `zel`: which arguments ask for help or the version, which are files,
// and that both answers are printed without a display, in the locale's language.

#include "app/command_line.h"

#include <QProcess>
#include <QtTest>
#include <vector>

namespace {

constexpr int kRunTimeoutMs = 30000;

CommandLineRequest RequestOf(const std::vector<const char*>& arguments) {
    return RequestOfArguments(static_cast<int>(arguments.size()), arguments.data());
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// `zel` with no display of any kind, so that opening a window would fail.
Run RunZel(const QStringList& arguments, const QString& lang) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LANG"), lang);
    QProcess zel;
    zel.setProcessEnvironment(env);
    zel.start(QStringLiteral(ZEL_PATH), arguments);
    Run run;
    if (!zel.waitForFinished(kRunTimeoutMs)) return run;
    run.exitCode = zel.exitStatus() == QProcess::NormalExit ? zel.exitCode() : -1;
    run.out = QString::fromUtf8(zel.readAllStandardOutput());
    run.err = QString::fromUtf8(zel.readAllStandardError());
    return run;
}

}  // namespace

Q_DECLARE_METATYPE(CommandLineRequest)

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void requests_data() {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<CommandLineRequest>("request");
        const auto window = CommandLineRequest::kOpenWindow;
        const auto help = CommandLineRequest::kShowHelp;
        const auto version = CommandLineRequest::kShowVersion;
        QTest::newRow("no arguments") << QByteArrayList{} << window;
        QTest::newRow("files") << QByteArrayList{"a.wav", "b c.wav"} << window;
        QTest::newRow("--help") << QByteArrayList{"--help"} << help;
        QTest::newRow("-h") << QByteArrayList{"-h"} << help;
        QTest::newRow("--version") << QByteArrayList{"--version"} << version;
        QTest::newRow("help after a file") << QByteArrayList{"a.wav", "--help"} << help;
        QTest::newRow("the first request decides")
            << QByteArrayList{"--version", "--help"} << version;
        QTest::newRow("after -- it is a file") << QByteArrayList{"--", "--help"} << window;
        QTest::newRow("Qt's own options") << QByteArrayList{"-style", "fusion", "a.wav"} << window;
        QTest::newRow("near misses are files")
            << QByteArrayList{"--helpme", "-version", "--Version"} << window;
    }
    void requests() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(CommandLineRequest, request);
        std::vector<const char*> argv{"zel"};
        for (const QByteArray& argument : arguments) argv.push_back(argument.constData());
        QCOMPARE(RequestOf(argv), request);
    }

    void everyArgumentIsOnePath() {
        QCOMPARE(InputPathsFromArguments({"zel", "a b.wav", "-x.wav", "c.wav"}),
                 QStringList({"a b.wav", "-x.wav", "c.wav"}));
        QCOMPARE(InputPathsFromArguments({"zel", "--", "--", "a.wav"}),
                 QStringList({"--", "a.wav"}));
        QCOMPARE(InputPathsFromArguments({"zel"}), QStringList());
    }

    void versionNeedsNoDisplay() {
        const Run run = RunZel({"--version"}, "en_US.UTF-8");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString("zel " ZEL_EXPECTED_VERSION "\n"));
        QCOMPARE(run.err, QString());
    }

    void helpNeedsNoDisplayAndSpeaksTheLocale_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("helpLine");
        QTest::newRow("English") << "en_US.UTF-8"
                                 << "Usage: zel [options] [file|folder]..."
                                 << "  -h, --help   Show this help and exit";
        QTest::newRow("Japanese") << "ja_JP.UTF-8"
                                  << "使い方: zel [オプション] [ファイル|フォルダ]..."
                                  << "  -h, --help   この説明を表示して終了します";
        QTest::newRow("no locale") << ""
                                   << "使い方: zel [オプション] [ファイル|フォルダ]..."
                                   << "  -h, --help   この説明を表示して終了します";
    }
    void helpNeedsNoDisplayAndSpeaksTheLocale() {
        QFETCH(QString, lang);
        QFETCH(QString, usage);
        QFETCH(QString, helpLine);
        for (const char* option : {"--help", "-h"}) {
            const Run run = RunZel({"a.wav", option}, lang);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.err, QString());
            const QStringList lines = run.out.split(u'\n');
            QCOMPARE(lines.first(), usage);
            QVERIFY2(lines.contains(helpLine), qPrintable(run.out));
            for (const char* listed : {"  --version ", "  -- "})
                QVERIFY2(run.out.contains(QString::fromLatin1(listed)), listed);
        }
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
