#include "QVSkinDialog.h"

CQVSkinDialog::CQVSkinDialog(QWidget *parent, Qt::WindowFlags flags)
    : CQVSkinBaseWnd<QDialog>(parent, flags)
{
}

CQVSkinDialog::~CQVSkinDialog() = default;
