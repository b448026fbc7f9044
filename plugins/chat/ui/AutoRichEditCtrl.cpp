#include "plugins/chat/ui/AutoRichEditCtrl.h"

#include "plugins/chat/session/Rtf.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

CAutoRichEditCtrl::CAutoRichEditCtrl(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(false);
    setUndoRedoEnabled(true); // off in a browser
}

bool CAutoRichEditCtrl::CanCopy() const
{
    return textCursor().hasSelection();
}

bool CAutoRichEditCtrl::CanCut() const
{
    return !isReadOnly() && textCursor().hasSelection();
}

bool CAutoRichEditCtrl::CanPaste() const
{
    return canPaste();
}

bool CAutoRichEditCtrl::CanUndo() const
{
    return !isReadOnly() && document()->isUndoAvailable();
}

bool CAutoRichEditCtrl::CanRedo() const
{
    return !isReadOnly() && document()->isRedoAvailable();
}

bool CAutoRichEditCtrl::OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update,
                                 QVPlugin::CommandHandlerInfo *info)
{
    bool enabled = false;
    void (QTextEdit::*run)() = nullptr;
    switch (id) {
    case CmdCopy:
        enabled = CanCopy();
        run = &QTextEdit::copy;
        break;
    case CmdCut:
        enabled = CanCut();
        run = &QTextEdit::cut;
        break;
    case CmdPaste:
        enabled = CanPaste();
        run = &QTextEdit::paste;
        break;
    case CmdUndo:
        enabled = CanUndo();
        run = &QTextEdit::undo;
        break;
    case CmdRedo:
        enabled = CanRedo();
        run = &QTextEdit::redo;
        break;
    default:
        return false;
    }
    if (code == QVPlugin::CommandUpdateUi || (update && info)) {
        if (update)
            update->Enable(enabled);
        if (info)
            info->target = this;
    } else if (enabled) {
        (this->*run)();
    }
    return true;
}

void CAutoRichEditCtrl::GetRtf(QByteArray &rtf) const
{
    rtf = WriteRtf(*document());
}

bool CAutoRichEditCtrl::StreamInRtf(const QByteArray &rtf)
{
    clear();
    QTextCursor cursor(document());
    return InsertRtf(cursor, rtf);
}

QVariant CAutoRichEditCtrl::loadResource(int, const QUrl &)
{
    return {};
}

QMimeData *CAutoRichEditCtrl::createMimeDataFromSelection() const
{
    QTextDocument copy;
    copy.setDefaultFont(document()->defaultFont());
    QTextCursor(&copy).insertFragment(textCursor().selection());
    // Replace each emoticon picture by its code, last first so that the
    // positions still to visit stay valid.
    QList<QPair<int, QString>> pictures;
    for (QTextBlock block = copy.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat()) {
                for (int i = 0; i < fragment.length(); ++i)
                    pictures.append({fragment.position() + i, fragment.charFormat().stringProperty(kEmoticonCodeProperty)});
            }
        }
    }
    for (auto it = pictures.crbegin(); it != pictures.crend(); ++it) {
        QTextCursor cursor(&copy);
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + 1, QTextCursor::KeepAnchor);
        cursor.insertText(it->second, QTextCharFormat());
    }
    auto *data = new QMimeData;
    data->setText(copy.toPlainText());
    data->setHtml(copy.toHtml());
    return data;
}
