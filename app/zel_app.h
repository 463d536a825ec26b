#pragma once
// The application: one main dialog, run modally; the process ends when it closes.

#include <QApplication>
#include <QStringList>

class CZELApp : public QApplication {
    Q_OBJECT

public:
    CZELApp(int& argc, char** argv);

    // Shows the main dialog with the files named on the command line and returns the
    // process's exit status once the dialog has closed.
    int InitInstance();

    // Each argument after the program name is one input path (the shell has done the
    // quoting); Qt's own options have already been taken out.
    static QStringList InputPathsFromArguments(const QStringList& arguments);

private:
    void InstallJapaneseTranslations();
    void ChooseJapaneseFont();
};
