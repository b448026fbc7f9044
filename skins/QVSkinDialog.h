#pragma once
// The skinned base for dialogs: a QDialog that takes its layout and look from
// the form of its name. It does not follow skin changes by itself: after one
// it paints with the new skin's form at its next paint and places its items
// by it at its next resize, but applies that form's controls only when its
// form name changes. User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSkinBaseWnd.h"

#include <QDialog>

class FAYCEL_EXPORT CQVSkinDialog : public CQVSkinBaseWnd<QDialog>
{
    Q_OBJECT

public:
    explicit CQVSkinDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~CQVSkinDialog() override;
};
