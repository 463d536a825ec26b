// Linked into every Qt test program: settings and caches go to Qt's test locations
// (~/.qttest/...), inside the temporary home each test gets, before any code under test
// can ask for a standard path.
#include <QCoreApplication>
#include <QStandardPaths>

namespace {

void EnableStandardPathsTestMode() { QStandardPaths::setTestModeEnabled(true); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(EnableStandardPathsTestMode)
