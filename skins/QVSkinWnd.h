#pragma once
// The skinned base of the live-chat plug-in's windows and panes: a child
// widget that takes its layout and look from the form of its name (its
// class name unless GetSkinFormName says otherwise) and follows every change
// of the current skin at once. User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSkinBaseWnd.h"

#include <QWidget>

class FAYCEL_EXPORT CQVSkinWnd : public CQVSkinBaseWnd<QWidget>
{
    Q_OBJECT

public:
    explicit CQVSkinWnd(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~CQVSkinWnd() override;
};
