#pragma once
// What `zel` makes of its command line. The help and version requests are answered on
// standard output before any window or display is needed; otherwise the window opens with
// the files named.

#include <QString>
#include <QStringList>

enum class CommandLineRequest { kOpenWindow, kShowHelp, kShowVersion };

// "-h" or "--help", and "--version", anywhere before a "--"; the first one found decides.
CommandLineRequest RequestOfArguments(int argc, const char* const* argv);

// The files named: each argument after the program name is one path (the shell has done
// the quoting), except the first "--", which only ends the options. Qt's own options have
// been taken out by then.
QStringList InputPathsFromArguments(const QStringList& arguments);

// In the language installed in the application.
QString UsageText();
QString VersionText();

// Prints the answer to a help or version request in the language of the user's locale and
// returns the exit status. Needs no display.
int AnswerWithoutWindow(int& argc, char** argv, CommandLineRequest request);
