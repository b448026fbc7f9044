#include "host/OstrelApp.h"

#include <QApplication>

#include <cstdio>

#include <malloc.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // Chromium refuses to start its sandbox as root and would end the whole
    // program the first time a web view opens (containers, kiosks).
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("Ostrel: running as root, so web views run without their sandbox\n", stderr);
    }
    // Each frame of a changing web view passes through large short-lived
    // buffers. glibc raises its mmap threshold after the first of them is
    // freed and from then on carves them from the main heap, which the
    // buffers and small allocations between them fragment: resident memory
    // grew by 250 MB over 1,000 redraws of a Details page. A fixed
    // threshold (glibc's default) keeps them mapped and returned when freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
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
