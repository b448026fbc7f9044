#include "shared/html/WebModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>

#include <dlfcn.h>

QT_BEGIN_NAMESPACE
// Qt GUI exports it without a header; Qt WebEngine declares it the same way.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

Q_LOGGING_CATEGORY(lcWebModule, "ostrel.webmodule", QtInfoMsg)

namespace {

// The module in the "web" folder beside the binary that holds this code
// (a plug-in, or a program that links the pane).
QString ModuleBesideThisCode()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&ModuleBesideThisCode), &info) || !info.dli_fname || !*info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath() + QStringLiteral("/web/libostrel_web.so");
}

// Qt WebEngine shares its textures with the widgets that show them through
// the process's global GL context, which must exist before the engine's
// first use. Qt makes it at start when the application asks for it, which
// maps the whole GL driver (tens of MB with Mesa) into a program that may
// never open a web view; it is made here as Qt would have made it.
void EnsureShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto *context = new QOpenGLContext(qApp);
    context->setFormat(QSurfaceFormat::defaultFormat());
    if (!context->create())
        qCWarning(lcWebModule) << "no GL context: web views draw without the GPU";
    qt_gl_set_global_share_context(context);
    QObject::connect(context, &QObject::destroyed, [] { qt_gl_set_global_share_context(nullptr); });
}

QLibrary *LoadModule()
{
    EnsureShareContext();
    // Kept to the end: Qt WebEngine cannot be unloaded.
    auto *module = new QLibrary(ModuleBesideThisCode());
    if (module->load())
        return module;
    qCWarning(lcWebModule) << "cannot load the web module:" << module->errorString();
    delete module;
    return nullptr;
}

} // namespace

void *QVWebModule::Resolve(const char *symbol)
{
    static QLibrary *const module = LoadModule();
    return module ? reinterpret_cast<void *>(module->resolve(symbol)) : nullptr;
}
