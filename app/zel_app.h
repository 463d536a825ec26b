#pragma once
// The application: one main dialog, run modally; the process ends when it closes. The
// language of the texts follows the user's locale (app/ui_language.h).

#include <QApplication>

class CZELApp : public QApplication {
    Q_OBJECT

  public:
    CZELApp(int& argc, char** argv);

    // Shows the main dialog with the files named on the command line and returns the
    // process's exit status once the dialog has closed.
    int RunMainDialog();

  private:
    void ChooseJapaneseFont();
};
