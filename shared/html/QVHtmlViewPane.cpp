#include "shared/html/QVHtmlViewPane.h"

#include "shared/html/WebModule.h"

#include <QCloseEvent>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The tab widget that shows this page, if any: a tab page's parent is the
// tab widget's stack.
QTabWidget *OwningTabWidget(QWidget *page, int *index)
{
    auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
    auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
    const int at = tabs ? tabs->indexOf(page) : -1;
    if (at < 0)
        return nullptr;
    *index = at;
    return tabs;
}

} // namespace

CQVHtmlViewPane::CQVHtmlViewPane(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto create = reinterpret_cast<QVCreateHtmlViewFn>(QVWebModule::Resolve(kCreateHtmlViewSymbol));
    if (!create)
        return;
    IQVHtmlView::Events events;
    events.loadFinished = [this](bool ok) { emit loadFinished(ok); };
    events.titleChanged = [this](const QString &title) { SetTitle(title); };
    events.contextMenu = [this](const QPoint &at) { return ShowContextMenu(at); };
    events.linkClicked = [this](const QUrl &url) {
        if (m_linkOpener)
            m_linkOpener(url);
    };
    m_web.reset(create(this, events));
    layout->addWidget(m_web->Widget());
}

// The web view, a child widget, goes with m_web before QWidget deletes the
// pane's children.
CQVHtmlViewPane::~CQVHtmlViewPane() = default;

CQVHtmlViewCtrl *CQVHtmlViewPane::View() const
{
    return m_web ? m_web->View() : nullptr;
}

void CQVHtmlViewPane::LoadFromText(const QString &html, ExternalAccess access)
{
    if (m_web)
        m_web->LoadFromText(html, access == ExternalAccess::Granted);
}

void CQVHtmlViewPane::Navigate(const QUrl &url)
{
    if (m_web)
        m_web->Navigate(url);
}

QString CQVHtmlViewPane::GetLocation() const
{
    return m_web ? m_web->GetLocation() : QString();
}

void CQVHtmlViewPane::SetExternal(QObject *external)
{
    if (m_web)
        m_web->SetExternal(external);
}

void CQVHtmlViewPane::SetTitle(const QString &title)
{
    if (!m_updateTabTitle)
        return;
    int index = -1;
    if (QTabWidget *tabs = OwningTabWidget(this, &index)) {
        // A tab label reads "&" as a mnemonic.
        QString label = title;
        tabs->setTabText(index, label.replace(QLatin1Char('&'), QLatin1String("&&")));
    }
}

void CQVHtmlViewPane::SetJavaScriptEnabled(bool on)
{
    if (m_web)
        m_web->SetJavaScriptEnabled(on);
}

void CQVHtmlViewPane::SetPageNavigation(bool on)
{
    if (m_web)
        m_web->SetPageNavigation(on);
}

void CQVHtmlViewPane::SetLinkOpener(std::function<void(const QUrl &)> opener)
{
    m_linkOpener = std::move(opener);
}

void CQVHtmlViewPane::SetNavigateErrorCallback(QVNavigateErrorCallback callback)
{
    if (m_web)
        m_web->SetNavigateErrorCallback(std::move(callback));
}

bool CQVHtmlViewPane::IsCopyEnabled() const
{
    return m_web && m_web->IsCopyEnabled();
}

void CQVHtmlViewPane::Copy()
{
    if (m_web)
        m_web->Copy();
}

bool CQVHtmlViewPane::ShowContextMenu(const QPoint &globalPos)
{
    switch (m_contextMenuMode) {
    case ContextMenuNone:
        return true;
    case ContextMenuCopyOnly: {
        QMenu menu(this);
        QAction *copy = menu.addAction(tr("&Copy") + QStringLiteral("\tCtrl+C"));
        copy->setData(kCopyCommand);
        copy->setEnabled(IsCopyEnabled());
        if (menu.exec(globalPos) == copy)
            Copy();
        return true;
    }
    default:
        return false;
    }
}

void CQVHtmlViewPane::closeEvent(QCloseEvent *event)
{
    int index = -1;
    if (QTabWidget *tabs = OwningTabWidget(this, &index))
        tabs->removeTab(index);
    event->accept();
    deleteLater();
}
