#include "plugins/kbeditor/LumoryBar.h"

#include "plugins/kbeditor/KBSearchWindow.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "skins/WndWithHeader.h"

#include <QContextMenuEvent>

CLumoryBar::CLumoryBar(CLumoryPlugin *plugin, QWidget *parent)
    : QWidget(parent), m_header(new CWndWithHeader(this))
{
    m_header->setWindowTitle(LumoryString(14013));
    m_search = new CKBSearchWindow(plugin, m_header);
    m_search->setWindowTitle(LumoryString(14013));
    m_header->setGeometry(rect());
}

void CLumoryBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_header->setGeometry(rect());
}

void CLumoryBar::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
}
