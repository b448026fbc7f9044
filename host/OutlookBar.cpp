#include "host/OutlookBar.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

CQVOutlookBar::CQVOutlookBar(QWidget *parent) : QDockWidget(QStringLiteral("Outlook Bar"), parent)
{
    setObjectName(QStringLiteral("OutlookBar"));
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    // The caption below names the page instead. An empty layout gives the
    // title a size of 0 rather than none, which the dock layout cannot take.
    auto *noTitle = new QWidget(this);
    new QVBoxLayout(noTitle);
    noTitle->layout()->setContentsMargins(0, 0, 0, 0);
    setTitleBarWidget(noTitle);

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_caption = new QLabel(content);
    m_caption->setObjectName(QStringLiteral("OutlookCaption"));
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setMargin(6);
    QFont bold = m_caption->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_caption->setFont(bold);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Mid);
    m_caption->hide(); // until there is a page to name
    layout->addWidget(m_caption);

    m_stack = new QStackedWidget(content);
    m_stack->setObjectName(QStringLiteral("OutlookPages"));
    layout->addWidget(m_stack, 1);

    m_buttons = new QVBoxLayout;
    m_buttons->setSpacing(1);
    layout->addLayout(m_buttons);
    setWidget(content);
}

CQVOutlookBar::~CQVOutlookBar()
{
    // The page windows die after this object, with the widget tree.
    for (const Page &page : m_pages)
        disconnect(page.watch);
}

int CQVOutlookBar::AddPage(QWidget *window, const QString &title, const QIcon &icon)
{
    if (!window)
        return -1;
    auto *button = new QToolButton(widget());
    button->setText(title);
    button->setIcon(icon);
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setCheckable(true);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, button] {
        for (int i = 0; i < PageCount(); ++i) {
            if (m_pages[size_t(i)].button == button)
                SetActivePage(i);
        }
        // A refused change leaves the active page's button checked.
        for (const Page &page : m_pages)
            page.button->setChecked(page.button == (m_active >= 0 ? m_pages[size_t(m_active)].button : nullptr));
    });
    m_buttons->addWidget(button);

    m_stack->addWidget(window);
    // A page whose window its owner deleted goes with it.
    const auto watch = connect(window, &QObject::destroyed, this, [this, button] {
        for (int i = 0; i < PageCount(); ++i) {
            if (m_pages[size_t(i)].button == button) {
                RemoveAt(i);
                return;
            }
        }
    });
    m_pages.push_back({window, title, button, watch});
    const int index = PageCount() - 1;
    if (m_active < 0)
        Show(index);
    return index;
}

bool CQVOutlookBar::RemovePage(QWidget *window)
{
    const int index = IndexOf(window);
    if (index < 0)
        return false;
    m_stack->removeWidget(window);
    RemoveAt(index);
    return true;
}

void CQVOutlookBar::RemoveAt(int index)
{
    const bool wasActive = index == m_active;
    const int next = wasActive ? (index + 1 < PageCount() ? index + 1 : index - 1) : -1;
    if (next >= 0 && m_guard)
        m_guard(next); // the page goes whatever the answer

    QToolButton *button = m_pages[size_t(index)].button;
    disconnect(m_pages[size_t(index)].watch);
    m_pages.erase(m_pages.begin() + index);
    delete button;

    if (!wasActive) {
        if (m_active > index)
            --m_active;
        return;
    }
    m_active = -1;
    if (next < 0) {
        m_caption->clear();
        m_caption->hide();
        return;
    }
    Show(next > index ? next - 1 : next);
    emit ActivePageChanged(m_active);
}

QWidget *CQVOutlookBar::PageWindow(int index) const
{
    return index >= 0 && index < PageCount() ? m_pages[size_t(index)].window.data() : nullptr;
}

int CQVOutlookBar::IndexOf(const QWidget *window) const
{
    for (int i = 0; i < PageCount(); ++i) {
        if (window && m_pages[size_t(i)].window == window)
            return i;
    }
    return -1;
}

bool CQVOutlookBar::SetActivePage(int index)
{
    if (index < 0 || index >= PageCount())
        return false;
    if (index == m_active)
        return true;
    if (m_guard && !m_guard(index))
        return false;
    Show(index);
    emit ActivePageChanged(index);
    return true;
}

void CQVOutlookBar::Show(int index)
{
    m_active = index;
    const Page &page = m_pages[size_t(index)];
    QWidget *old = m_stack->currentWidget();
    if (page.window)
        m_stack->setCurrentWidget(page.window);
    if (m_animated && old && old != page.window && m_stack->isVisible())
        FadeOut(old);
    m_caption->setText(page.title);
    m_caption->show();
    for (const Page &other : m_pages)
        other.button->setChecked(other.button == page.button);
}

void CQVOutlookBar::FadeOut(QWidget *old)
{
    // A picture of the old page over the new one, fading: the switch itself
    // (and the mode change after it) has already happened.
    delete m_stack->findChild<QLabel *>(QStringLiteral("OutlookFade"), Qt::FindDirectChildrenOnly);
    auto *picture = new QLabel(m_stack);
    picture->setObjectName(QStringLiteral("OutlookFade"));
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->setPixmap(old->grab());
    picture->setGeometry(m_stack->rect());
    auto *effect = new QGraphicsOpacityEffect(picture);
    picture->setGraphicsEffect(effect);
    picture->show();
    auto *fade = new QPropertyAnimation(effect, "opacity", picture);
    fade->setDuration(kFadeMs);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, picture, &QObject::deleteLater);
    fade->start();
}
