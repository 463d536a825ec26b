#include "app/zel_app.h"

int main(int argc, char** argv) {
    CZELApp app(argc, argv);
    return app.InitInstance();
}
