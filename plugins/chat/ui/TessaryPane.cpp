#include "plugins/chat/ui/TessaryPane.h"

#include "skins/QVButton.h"
#include "skins/QVSettingsHelpers.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int kSaveDelayMs = 300;

QString PlacementKey()
{
    return CQVSettingsHelpers::GetProfileName(QStringLiteral("Tessary\\Chat")) + QStringLiteral("Placement");
}

} // namespace

CTessaryPane::CTessaryPane(QWidget *chatWindow, const QString &title)
    : CQVSkinWnd(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint),
      m_chatWindow(chatWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A visitor's name is shown as written: Qt would take "[*]" for its modified mark.
    setWindowTitle(QString(title).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
    setMinimumSize(kMinimumSize);
    resize(InitialSize());

    m_exit = new CQVButton(false, this);
    m_exit->setObjectName(QStringLiteral("c%1").arg(kExitId));
    m_exit->setText(tr("Exit"));
    // The frame opens without the focus; when the agent turns to it the keys
    // go to the chat's input, never to this button (Space would close it).
    m_exit->setFocusPolicy(Qt::NoFocus);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    if (m_chatWindow) {
        m_chatWindow->setParent(this);
        layout->addWidget(m_chatWindow, 1);
        // The frame's focus belongs to the chat.
        setFocusProxy(m_chatWindow);
        m_chatWindow->setFocus();
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &CTessaryPane::SavePlacement);
    InitializeSkin();
}

CTessaryPane::~CTessaryPane()
{
    if (m_saveTimer.isActive())
        SavePlacement();
    TellOwner();
}

QSize CTessaryPane::InitialSize()
{
    QSize size = kMinimumSize;
    const auto store = CQVSettingsHelpers::OpenStore();
    const QRect saved = store->value(PlacementKey()).toRect();
    if (saved.isValid())
        size = saved.size().expandedTo(kMinimumSize);
    // A placement saved on a larger screen must not open beyond this one.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize().expandedTo(kMinimumSize));
    return size;
}

void CTessaryPane::resizeEvent(QResizeEvent *event)
{
    CQVSkinWnd::resizeEvent(event);
    m_saveTimer.start();
}

void CTessaryPane::mousePressEvent(QMouseEvent *event)
{
    // The client area is a handle: agents drag the frame by it.
    if (event->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    CQVSkinWnd::mousePressEvent(event);
}

void CTessaryPane::closeEvent(QCloseEvent *event)
{
    CQVSkinWnd::closeEvent(event);
    if (!event->isAccepted())
        return;
    if (m_saveTimer.isActive()) {
        m_saveTimer.stop();
        SavePlacement();
    }
    TellOwner();
}

void CTessaryPane::SavePlacement()
{
    const auto store = CQVSettingsHelpers::OpenStore();
    store->setValue(PlacementKey(), geometry());
    CQVSettingsHelpers::CommitStore(*store);
}

void CTessaryPane::TellOwner()
{
    if (m_ownerTold)
        return;
    m_ownerTold = true;
    emit closing(this);
}
