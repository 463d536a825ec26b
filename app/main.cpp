#include <csignal>

#include "app/command_line.h"
#include "app/zel_app.h"

int main(int argc, char** argv) {
    // A file size limit then fails the write (-4) instead of killing the application.
    std::signal(SIGXFSZ, SIG_IGN);
    // Answered before the application object exists, which would need a display.
    const CommandLineRequest request = RequestOfArguments(argc, argv);
    if (request != CommandLineRequest::kOpenWindow) return AnswerWithoutWindow(argc, argv, request);
    CZELApp app(argc, argv);
    return app.RunMainDialog();
}
