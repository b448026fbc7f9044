#include "QVSkinWnd.h"

CQVSkinWnd::CQVSkinWnd(QWidget *parent, Qt::WindowFlags flags)
    : CQVSkinBaseWnd<QWidget>(parent, flags)
{
    SkinController().FollowSkinChanges();
}

CQVSkinWnd::~CQVSkinWnd() = default;
