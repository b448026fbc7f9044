#include "host/OstrelApp.h"

#include <QApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // Chromium refuses to start its sandbox as root and would end the whole
    // program the first time a web view opens (containers, kiosks).
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("Ostrel: running as root, so web views run without their sandbox\n", stderr);
    }
    // No Qt::AA_ShareOpenGLContexts here: it would load the GL driver at
    // start; the web module's loader makes the shared context on first use.
    QApplication app(argc, argv);

    COstrelApp ostrel;
    if (!ostrel.InitInstance())
        return ostrel.ExitInstance();
    const int result = app.exec();
    ostrel.ExitInstance();
    return result;
}
