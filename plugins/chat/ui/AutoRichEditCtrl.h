#pragma once
// The rich edit under the chat controls: the standard edit commands with
// their enabling, the content as RTF and RTF loading. Links never navigate
// the control, and it never loads a resource that its document does not
// hold (no files, no network). User-interface thread only.

#include "bus/Commands.h"

#include <QTextBrowser>

class CAutoRichEditCtrl : public QTextBrowser, public QVPlugin::ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    // The framework's standard edit command ids.
    enum EditCommand : unsigned {
        CmdCopy = 57634,
        CmdCut = 57635,
        CmdPaste = 57637,
        CmdUndo = 57643,
        CmdRedo = 57644,
    };

    explicit CAutoRichEditCtrl(QWidget *parent = nullptr);

    bool CanCopy() const;
    bool CanCut() const;
    bool CanPaste() const;
    bool CanUndo() const;
    bool CanRedo() const;

    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update,
                  QVPlugin::CommandHandlerInfo *info) override;

    // The whole content as RTF (emoticon pictures as their codes).
    void GetRtf(QByteArray &rtf) const;
    // Replaces the content with rtf; false when the reader refused it and it
    // was loaded as plain text.
    bool StreamInRtf(const QByteArray &rtf);

protected:
    QVariant loadResource(int type, const QUrl &name) override;
    // Emoticon pictures are copied and dragged as their codes.
    QMimeData *createMimeDataFromSelection() const override;
};
