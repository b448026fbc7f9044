// Grabs the pictures under docs/ for review, offscreen: a skinned window of
// the test skin in a frameless window with the styled caption; a main window with the styled menu bar (one menu open),
// tool bar, MDI child caption and status bar; and the other styled controls.
// Usage: skin_screenshots <output folder>

#include "skins/QVSkinManager.h"
#include "skins/QVSkinWnd.h"
#include "skins/SkinnedWnd.h"
#include "skins/QVVisualManager.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QToolBar>

#include <cstdio>

namespace {

QIcon bubbleIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(30, 60, 100), 1));
    painter.setBrush(QColor(255, 214, 128));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 9), 3, 3);
    painter.drawPolygon(QPolygonF({QPointF(4, 10), QPointF(4, 14.5), QPointF(8, 10)}));
    return QIcon(pixmap);
}

class SkinDemoWnd : public CQVSkinWnd
{
    Q_OBJECT

public:
    SkinDemoWnd()
    {
        auto *title = new QLabel(QStringLiteral("Visitors on the site"), this);
        title->setObjectName("c1002");
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        auto *list = new QListWidget(this);
        list->setObjectName("c1001");
        list->addItems({QStringLiteral("Visitor 1 - /pricing"), QStringLiteral("Visitor 2 - /support/faq"),
            QStringLiteral("Visitor 3 - /")});
        list->setCurrentRow(1);
        auto *edit = new QLineEdit(this);
        edit->setObjectName("c1005");
        edit->setPlaceholderText(QStringLiteral("Search visitors"));
        auto *combo = new QComboBox(this);
        combo->setObjectName("c1006");
        combo->addItems({QStringLiteral("All departments"), QStringLiteral("Sales")});
        auto *ok = new QPushButton(QStringLiteral("Accept"), this);
        ok->setObjectName("c1");
        auto *cancel = new QPushButton(QStringLiteral("Close"), this);
        cancel->setObjectName("c2");
    }
};

QPixmap menuBarShot(const CQVVisualManager &manager)
{
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Quelvar"));
    frame.menuBar()->addMenu(QStringLiteral("&File"));
    frame.menuBar()->addMenu(QStringLiteral("&Edit"));
    QMenu *view = frame.menuBar()->addMenu(QStringLiteral("&View"));
    QAction *visitors = view->addAction(QStringLiteral("&Visitors"));
    visitors->setCheckable(true);
    visitors->setChecked(true);
    QAction *chats = view->addAction(QStringLiteral("&Chats"));
    view->addSeparator();
    view->addMenu(QStringLiteral("&Skin"))->addAction(QStringLiteral("standard"));
    view->addAction(QStringLiteral("&Refresh"))->setShortcut(QKeySequence(QStringLiteral("F5")));
    view->addAction(QStringLiteral("&Detach Chat"))->setEnabled(false);
    frame.menuBar()->addMenu(QStringLiteral("&Help"));

    QToolBar *tools = frame.addToolBar(QStringLiteral("Standard"));
    tools->addAction(QStringLiteral("Sign In"));
    QAction *checked = tools->addAction(QStringLiteral("Visitors"));
    checked->setCheckable(true);
    checked->setChecked(true);
    tools->addSeparator();
    tools->addAction(QStringLiteral("Settings"));

    auto *area = new QMdiArea;
    area->setBackground(manager.GetStyle().Color(QStringLiteral("MAINWND/MainClientArea"), Qt::gray));
    frame.setCentralWidget(area);
    auto *chat = new QTextEdit;
    chat->setPlainText(QStringLiteral("Visitor: Hello, is anyone there?\nAgent: Hello! How can I help?"));
    QMdiSubWindow *sub = area->addSubWindow(chat);
    sub->setWindowTitle(QStringLiteral("Chat with Visitor 2"));
    sub->setGeometry(250, 40, 290, 150);

    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    frame.statusBar()->addPermanentWidget(new QLabel(QStringLiteral("Online")));
    frame.resize(560, 320);
    frame.show();
    sub->show();
    area->setActiveSubWindow(sub);
    QApplication::processEvents();

    // The open menu is a window of its own: grab it and lay it under its title.
    QAction *viewAction = view->menuAction();
    const QRect title = frame.menuBar()->actionGeometry(viewAction);
    frame.menuBar()->setActiveAction(viewAction);
    QApplication::processEvents();
    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    QPixmap shot = frame.grab();
    view->adjustSize();
    view->setActiveAction(chats);
    QPainter painter(&shot);
    painter.drawPixmap(frame.menuBar()->mapTo(&frame, title.bottomLeft() + QPoint(0, 1)), view->grab());
    painter.end();
    view->hide();
    return shot;
}

// Tabs, header, dock-widget caption, tool-box pages (the outlook-style bar),
// edit and combo boxes.
QPixmap controlsShot()
{
    QMainWindow frame;
    auto *dock = new QDockWidget(QStringLiteral("Quick Texts"));
    auto *pages = new QToolBox;
    pages->addItem(new QLabel(QStringLiteral("Greetings")), QStringLiteral("Live Chat"));
    pages->addItem(new QWidget, QStringLiteral("Knowledge Base"));
    pages->addItem(new QWidget, QStringLiteral("Visitors"));
    dock->setWidget(pages);
    frame.addDockWidget(Qt::LeftDockWidgetArea, dock);

    auto *tabs = new QTabWidget;
    auto *list = new QTreeWidget;
    list->setHeaderLabels({QStringLiteral("Visitor"), QStringLiteral("Page"), QStringLiteral("Time")});
    list->addTopLevelItem(
        new QTreeWidgetItem({QStringLiteral("Visitor 1"), QStringLiteral("/pricing"), QStringLiteral("2:10")}));
    tabs->addTab(list, QStringLiteral("Search"));
    tabs->addTab(new QWidget, QStringLiteral("Article 1"));
    tabs->addTab(new QWidget, QStringLiteral("Article 2"));
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(tabs);
    auto *row = new QHBoxLayout;
    auto *edit = new QLineEdit(QStringLiteral("refund"));
    row->addWidget(edit);
    auto *editable = new QComboBox;
    editable->setEditable(true);
    editable->addItem(QStringLiteral("All categories"));
    row->addWidget(editable);
    auto *combo = new QComboBox;
    combo->addItem(QStringLiteral("Published"));
    row->addWidget(combo);
    layout->addLayout(row);
    frame.setCentralWidget(page);
    frame.resize(560, 300);
    frame.show();
    frame.resizeDocks({dock}, {150}, Qt::Horizontal);
    edit->setFocus();
    QApplication::processEvents();
    return frame.grab();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QApplication::setWindowIcon(bubbleIcon());
    const CQVVisualManager *manager = CQVVisualManager::SetDefaultManager();

    QTemporaryDir skins;
    QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/tests/skins/data/window_skins.xml"),
        skins.filePath(QStringLiteral("window_skins.xml")));
    if (!CQVSkinManager::Load(skins.path() + QLatin1Char('/')) || !CQVSkinManager::SetCurrentSkin("day")) {
        std::fprintf(stderr, "cannot load the test skin\n");
        return 1;
    }

    // A frameless window with the styled caption, its close button under the
    // mouse, around the skinned window.
    CSkinnedWnd frame;
    frame.setWindowTitle(QStringLiteral("Visitors - Quelvar"));
    auto *layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SkinDemoWnd);
    frame.resize(440, 330);
    frame.show();
    QApplication::processEvents();
    const QPointF close = frame.GetCaptionButtonRect(CSkinnedWnd::HitClose).center();
    QMouseEvent move(QEvent::MouseMove, close, frame.mapToGlobal(close), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &move);
    bool ok = frame.grab().save(out.filePath(QStringLiteral("skinned-window.png")));
    ok = menuBarShot(*manager).save(out.filePath(QStringLiteral("styled-menubar.png"))) && ok;
    ok = controlsShot().save(out.filePath(QStringLiteral("styled-controls.png"))) && ok;
    return ok ? 0 : 1;
}

#include "skin_screenshots.moc"
