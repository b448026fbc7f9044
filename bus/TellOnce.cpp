#include "bus/TellOnce.h"

#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace QVPlugin {

void CTellOnce::Tell(const QString &text)
{
    if (m_told)
        return;
    m_told = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [text] {
            PromptRequest box;
            box.caption = QStringLiteral("Quelvar");
            box.text = text;
            box.icon = QMessageBox::Warning;
            CPrompt::Show(box);
        },
        Qt::QueuedConnection);
}

} // namespace QVPlugin
