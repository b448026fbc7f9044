// The skin reader: a skin file is read, and every form of every skin it
// holds is applied to a window with the items its controls name, laid out
// and painted, offscreen.

#include "skins/QVButton.h"
#include "skins/QVSkinForm.h"
#include "skins/QVSkinManager.h"

#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir *g_folder = nullptr;

// The window's items for the controls, nested as the controls are.
void AddItems(QWidget *parent, const std::vector<std::unique_ptr<CQVSkinControl>> &controls)
{
    for (const auto &control : controls) {
        QWidget *item = parent;
        if (dynamic_cast<const CQVSkinButton *>(control.get()))
            item = new CQVButton(false, parent);
        else if (!dynamic_cast<const CQVSkinGroup *>(control.get()))
            item = new QFrame(parent);
        if (item != parent)
            item->setObjectName(QStringLiteral("c%1").arg(control->GetDlgId()));
        AddItems(item, control->GetControls());
    }
}

void Exercise(CQVSkinForm &form)
{
    QWidget window;
    window.resize(320, 240);
    AddItems(&window, form.GetControls());
    form.OnInit(&window);
    QRect client(0, 0, 320, 240);
    form.OnNcCalcSize(client);
    form.OnSize(&window, client);
    for (const auto &control : form.GetControls())
        form.ShowDlgItem(&window, control->GetDlgId(), true);
    QImage canvas(320, 240, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&canvas);
        form.OnNcPaint(painter, canvas.rect());
        form.OnPaint(painter, client);
    }
    window.render(&canvas);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The reader's warnings about bad files would only slow the run down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    new QApplication(*argc, *argv);
    g_folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile file(g_folder->filePath(QStringLiteral("fuzz.xml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        std::abort();
    file.close();
    if (!CQVSkinManager::Load(g_folder->path() + QLatin1Char('/')))
        return 0;

    // The manager names skins but not their forms: take the ids from the file.
    QDomDocument document;
    document.setContent(text);
    const QDomNodeList forms = document.elementsByTagName(QStringLiteral("form"));
    for (const QString &skin : CQVSkinManager::GetSkinNames()) {
        CQVSkinManager::SetCurrentSkin(skin);
        for (int i = 0; i < forms.size(); ++i) {
            const QString id = forms.at(i).toElement().attribute(QStringLiteral("id"));
            if (CQVSkinForm *form = CQVSkinManager::LockForm(id)) {
                Exercise(*form);
                CQVSkinManager::UnlockForm(id);
            }
        }
    }
    return 0;
}
