#include "host/OstrelApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The plug-ins' web views share one GL context; it must be set first.
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    COstrelApp ostrel;
    if (!ostrel.InitInstance())
        return ostrel.ExitInstance();
    const int result = app.exec();
    ostrel.ExitInstance();
    return result;
}
