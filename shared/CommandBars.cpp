#include "shared/CommandBars.h"

#include "bus/Commands.h"

#include <QAction>
#include <QFileInfo>
#include <QDir>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

using QVPlugin::CommandIdOf;

Q_LOGGING_CATEGORY(lcCommandBars, "ostrel.commandbars")

const QString CCommandBars::kMenuBar = QStringLiteral("MenuBar");

namespace {

const char kChevron[] = "ostrelChevron";
const char kWatched[] = "ostrelUsageWatched";
constexpr int kMaxImages = 1024;

QString PlainTitle(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    const int tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? text : text.left(tab);
}

QString ActionKey(const QAction *action)
{
    if (action->isSeparator())
        return QStringLiteral("s");
    if (action->menu())
        return QLatin1Char('m') + action->menu()->title();
    if (const unsigned id = CommandIdOf(action))
        return CCommandBars::CommandKey(id);
    return QString();
}

} // namespace

CCommandBars::CCommandBars(QMainWindow *frame, ActionMaker maker) : QObject(frame), m_frame(frame), m_maker(std::move(maker))
{
    Bar menu;
    menu.name = kMenuBar;
    menu.title = tr("Menu Bar");
    m_bars.push_back(menu);
}

QString CCommandBars::CommandKey(unsigned id, int image)
{
    return image < 0 ? QStringLiteral("c%1").arg(id) : QStringLiteral("c%1:%2").arg(id).arg(image);
}

unsigned CCommandBars::KeyCommand(const QString &key, int *image)
{
    if (image)
        *image = -1;
    if (!key.startsWith(QLatin1Char('c')))
        return 0;
    const QStringList parts = key.mid(1).split(QLatin1Char(':'));
    bool ok = false;
    const unsigned id = parts.value(0).toUInt(&ok);
    if (!ok || id == 0 || id > 0xFFFF || parts.size() > 2)
        return 0;
    if (parts.size() == 2) {
        const int n = parts[1].toInt(&ok);
        if (!ok || n < 0 || n >= kMaxImages)
            return 0;
        if (image)
            *image = n;
    }
    return id;
}

void CCommandBars::AddToolBar(QToolBar *bar)
{
    Bar entry;
    entry.name = bar->objectName();
    entry.title = bar->windowTitle();
    for (QAction *action : bar->actions()) {
        if (qobject_cast<QWidgetAction *>(action) && CommandIdOf(action))
            m_shippedWidgets[action] = CommandIdOf(action);
    }
    entry.shipped = ToolBarKeys(bar);
    m_bars.push_back(entry);
    OfferCustomize(bar);
}

void CCommandBars::SetCustomizeAction(QAction *customize)
{
    m_customize = customize;
    OfferCustomize(m_frame->menuBar());
    for (const Bar &bar : m_bars) {
        if (QToolBar *toolBar = ToolBar(bar.name))
            OfferCustomize(toolBar);
    }
}

void CCommandBars::OfferCustomize(QWidget *bar)
{
    if (!m_customize || bar->contextMenuPolicy() == Qt::CustomContextMenu)
        return;
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint &pos) { ShowBarMenu(bar, pos); });
}

void CCommandBars::ShowBarMenu(QWidget *bar, const QPoint &pos)
{
    QMenu menu(bar);
    for (const Bar &entry : m_bars) {
        if (QToolBar *toolBar = ToolBar(entry.name)) {
            QAction *show = menu.addAction(entry.title);
            show->setCheckable(true);
            show->setChecked(!toolBar->isHidden());
            connect(show, &QAction::toggled, this, [this, name = entry.name](bool on) { SetBarVisible(name, on); });
        }
    }
    if (!menu.isEmpty())
        menu.addSeparator();
    menu.addAction(m_customize);
    menu.exec(bar->mapToGlobal(pos));
}

CCommandBars::Bar *CCommandBars::Find(const QString &name)
{
    for (Bar &bar : m_bars) {
        if (bar.name == name)
            return &bar;
    }
    return nullptr;
}

const CCommandBars::Bar *CCommandBars::Find(const QString &name) const
{
    return const_cast<CCommandBars *>(this)->Find(name);
}

QToolBar *CCommandBars::ToolBar(const QString &bar) const
{
    if (bar == kMenuBar || bar.isEmpty())
        return nullptr;
    return m_frame->findChild<QToolBar *>(bar, Qt::FindDirectChildrenOnly);
}

std::vector<CCommandBars::Category> CCommandBars::Categories() const
{
    std::vector<Category> categories;
    std::set<unsigned> seen;
    const std::function<void(QMenu *, Category &)> collect = [&](QMenu *menu, Category &category) {
        for (QAction *action : menu->actions()) {
            if (action->menu()) {
                collect(action->menu(), category);
            } else if (const unsigned id = CommandIdOf(action); id && !action->isSeparator() && seen.insert(id).second) {
                category.commands.push_back({id, PlainTitle(action->text()), action->icon()});
            }
        }
    };
    for (QAction *top : m_frame->menuBar()->actions()) {
        if (!top->menu())
            continue;
        Category category{PlainTitle(top->menu()->title()), {}};
        collect(top->menu(), category);
        if (!category.commands.empty())
            categories.push_back(std::move(category));
    }
    return categories;
}

QStringList CCommandBars::Bars() const
{
    QStringList names;
    for (const Bar &bar : m_bars)
        names << bar.name;
    return names;
}

QString CCommandBars::Title(const QString &bar) const
{
    const Bar *entry = Find(bar);
    return entry ? entry->title : QString();
}

bool CCommandBars::IsUserBar(const QString &bar) const
{
    const Bar *entry = Find(bar);
    return entry && entry->user;
}

QStringList CCommandBars::ToolBarKeys(QToolBar *bar) const
{
    QStringList keys;
    for (QAction *action : bar->actions()) {
        QString key = ActionKey(action);
        if (key.isEmpty())
            continue;
        int image = -1;
        if (const unsigned id = KeyCommand(key); id && action->property("ostrelImage").isValid())
            image = action->property("ostrelImage").toInt(), key = CommandKey(id, image);
        keys << key;
    }
    return keys;
}

QStringList CCommandBars::Layout(const QString &bar) const
{
    if (bar == kMenuBar) {
        QStringList keys;
        for (QAction *action : m_frame->menuBar()->actions()) {
            if (const QString key = ActionKey(action); !key.isEmpty())
                keys << key;
        }
        return keys;
    }
    QToolBar *toolBar = ToolBar(bar);
    return toolBar ? ToolBarKeys(toolBar) : QStringList();
}

QString CCommandBars::KeyText(const QString &key) const
{
    if (key == QLatin1String("s"))
        return tr("Separator");
    if (key.startsWith(QLatin1Char('m')))
        return PlainTitle(key.mid(1));
    const unsigned id = KeyCommand(key);
    for (const Category &category : Categories()) {
        for (const Command &command : category.commands) {
            if (command.id == id)
                return command.text;
        }
    }
    // A command of the toolbars only (the editor's formatting buttons).
    for (const QAction *action : m_frame->findChildren<QAction *>()) {
        if (CommandIdOf(action) != id)
            continue;
        if (!action->text().isEmpty())
            return PlainTitle(action->text());
    }
    return tr("Command %1").arg(id);
}

QIcon CCommandBars::KeyIcon(const QString &key) const
{
    int image = -1;
    KeyCommand(key, &image);
    return image >= 0 && image < m_images.size() ? m_images[image] : QIcon();
}

QAction *CCommandBars::ActionFor(unsigned id)
{
    for (const auto &[action, widgetId] : m_shippedWidgets) {
        if (widgetId == id)
            return action;
    }
    if (QAction *&made = m_made[id])
        return made;
    QAction *action = m_maker ? m_maker(id) : nullptr;
    if (!action) {
        m_made.erase(id);
        return nullptr;
    }
    if (action->text().isEmpty())
        action->setText(KeyText(CommandKey(id)));
    if (!action->parent())
        action->setParent(this);
    m_made[id] = action;
    return action;
}

bool CCommandBars::KnownKey(const Bar &bar, const QString &key)
{
    if (key == QLatin1String("s"))
        return true;
    if (key.startsWith(QLatin1Char('m')))
        return bar.name == kMenuBar && key.size() > 1 && key.size() <= 200;
    const unsigned id = KeyCommand(key);
    return id && ActionFor(id);
}

QStringList CCommandBars::Known(const Bar &bar, const QStringList &keys)
{
    QStringList known;
    for (const QString &key : keys) {
        if (KnownKey(bar, key))
            known << key;
        else
            qCWarning(lcCommandBars).noquote() << "bar" << bar.name << "drops the unknown item" << key.left(40);
    }
    return known;
}

void CCommandBars::Fill(QToolBar *bar, const QStringList &keys)
{
    for (QAction *action : bar->actions()) {
        bar->removeAction(action);
        if (action->isSeparator() && action->parent() == bar)
            action->deleteLater();
    }
    for (const QString &key : keys) {
        if (key == QLatin1String("s")) {
            bar->addSeparator();
            continue;
        }
        int image = -1;
        QAction *action = ActionFor(KeyCommand(key, &image));
        if (!action)
            continue;
        if (image >= 0 && image < m_images.size()) {
            action->setIcon(m_images[image]);
            action->setProperty("ostrelImage", image);
        }
        bar->addAction(action);
    }
}

void CCommandBars::SetLayout(const QString &name, const QStringList &keys)
{
    Bar *bar = Find(name);
    if (!bar)
        return;
    const QStringList known = Known(*bar, keys.mid(0, kMaxItemsPerBar));
    bar->customised = true;
    if (name == kMenuBar) {
        for (const QString &key : Layout(kMenuBar)) {
            if (key.startsWith(QLatin1Char('m')) && !known.contains(key) && !bar->removed.contains(key))
                bar->removed << key;
        }
        for (const QString &key : known)
            bar->removed.removeAll(key);
        bar->keys = known;
        ArrangeMenuBar();
    } else if (QToolBar *toolBar = ToolBar(name)) {
        Fill(toolBar, known);
    }
    emit Changed();
}

void CCommandBars::Reset(const QString &name)
{
    Bar *bar = Find(name);
    if (!bar)
        return;
    bar->customised = false;
    if (name == kMenuBar) {
        bar->keys.clear();
        bar->removed.clear();
        ArrangeMenuBar();
    } else if (QToolBar *toolBar = ToolBar(name)) {
        for (QAction *action : toolBar->actions())
            action->setProperty("ostrelImage", QVariant());
        Fill(toolBar, bar->shipped);
    }
    emit Changed();
}

void CCommandBars::ApplyMenuBar()
{
    m_shippedMenu.clear();
    for (QAction *action : m_frame->menuBar()->actions())
        m_shippedMenu << action;
    QStringList shipped;
    for (QAction *action : m_frame->menuBar()->actions()) {
        if (const QString key = ActionKey(action); !key.isEmpty())
            shipped << key;
    }
    m_bars.front().shipped = shipped;
    if (m_bars.front().customised)
        ArrangeMenuBar();
}

void CCommandBars::ArrangeMenuBar()
{
    const Bar &bar = m_bars.front();
    QMenuBar *menuBar = m_frame->menuBar();
    QList<QAction *> order;
    QList<QAction *> left;
    for (const QPointer<QAction> &action : m_shippedMenu) {
        if (action)
            left << action;
    }
    if (!bar.customised) {
        order = left;
    } else {
        const auto take = [&left](const QString &key) -> QAction * {
            for (QAction *action : left) {
                if (!action->isSeparator() && ActionKey(action) == key) {
                    left.removeOne(action);
                    return action;
                }
            }
            return nullptr;
        };
        for (const QString &key : bar.keys) {
            if (key == QLatin1String("s")) {
                auto *separator = new QAction(menuBar);
                separator->setSeparator(true);
                m_separators << separator;
                order << separator;
            } else if (QAction *action = take(key)) {
                order << action;
            } else if (const unsigned id = KeyCommand(key)) {
                if (QAction *made = ActionFor(id))
                    order << made;
            }
        }
        // Menus a mode brings that the agent never saw stay at the end.
        for (QAction *action : left) {
            if (action->menu() && !bar.removed.contains(ActionKey(action)))
                order << action;
        }
    }
    for (QAction *action : menuBar->actions())
        menuBar->removeAction(action);
    for (const QPointer<QAction> &separator : m_separators) {
        if (separator && !order.contains(separator))
            separator->deleteLater();
    }
    menuBar->addActions(order);
}

void CCommandBars::SetBarVisible(const QString &bar, bool visible)
{
    if (QToolBar *toolBar = ToolBar(bar)) {
        toolBar->setVisible(visible);
        emit Changed();
    }
}

QString CCommandBars::AddUserBar(const QString &title)
{
    int userBars = 0;
    for (const Bar &bar : m_bars)
        userBars += bar.user;
    if (userBars >= kMaxUserBars)
        return QString();
    QString name;
    do {
        name = QStringLiteral("UserBar%1").arg(m_nextUserBar++);
    } while (Find(name));
    auto *toolBar = new QToolBar(title.left(100), m_frame);
    toolBar->setObjectName(name);
    m_frame->addToolBar(toolBar);
    toolBar->show(); // the frame may be on the screen already
    OfferCustomize(toolBar);
    Bar bar;
    bar.name = name;
    bar.title = toolBar->windowTitle();
    bar.user = true;
    bar.customised = true;
    m_bars.push_back(bar);
    emit Changed();
    return name;
}

void CCommandBars::RemoveUserBar(const QString &name)
{
    for (auto it = m_bars.begin(); it != m_bars.end(); ++it) {
        if (it->name == name && it->user) {
            if (QToolBar *toolBar = ToolBar(name)) {
                for (QAction *action : toolBar->actions())
                    toolBar->removeAction(action);
                m_frame->removeToolBar(toolBar);
                toolBar->deleteLater();
            }
            m_bars.erase(it);
            emit Changed();
            return;
        }
    }
}

// ---- saved state ---------------------------------------------------------------

QByteArray CCommandBars::SaveState() const
{
    QJsonObject bars;
    for (const Bar &bar : m_bars) {
        QJsonObject entry;
        if (bar.user)
            entry[QStringLiteral("title")] = bar.title;
        if (bar.customised)
            entry[QStringLiteral("items")] = QJsonArray::fromStringList(bar.name == kMenuBar ? bar.keys : Layout(bar.name));
        if (!bar.removed.isEmpty())
            entry[QStringLiteral("removed")] = QJsonArray::fromStringList(bar.removed);
        if (QToolBar *toolBar = ToolBar(bar.name))
            entry[QStringLiteral("visible")] = !toolBar->isHidden();
        bars[bar.name] = entry;
    }
    QJsonArray used;
    for (const unsigned id : m_used)
        used.append(int(id));
    QJsonObject root;
    root[QStringLiteral("bars")] = bars;
    root[QStringLiteral("personalized")] = m_personalized;
    root[QStringLiteral("used")] = used;
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

namespace {

// The strings of an array of strings of bounded size; false for anything else.
bool StringList(const QJsonValue &value, int maxCount, QStringList *out)
{
    if (value.isUndefined())
        return true;
    if (!value.isArray() || value.toArray().size() > maxCount)
        return false;
    for (const QJsonValue &item : value.toArray()) {
        if (!item.isString() || item.toString().size() > 200)
            return false;
        *out << item.toString();
    }
    return true;
}

} // namespace

bool CCommandBars::RestoreState(const QByteArray &state)
{
    if (state.isEmpty())
        return true;
    const auto refuse = [](const char *why) {
        qCWarning(lcCommandBars) << "the saved bars are ignored for the shipped ones:" << why;
        return false;
    };
    if (state.size() > kMaxSavedBytes)
        return refuse("too large");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(state, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return refuse("not readable");
    const QJsonObject root = document.object();
    const QJsonValue barsValue = root.value(QStringLiteral("bars"));
    const QJsonValue usedValue = root.value(QStringLiteral("used"));
    const QJsonValue personalValue = root.value(QStringLiteral("personalized"));
    if (!barsValue.isObject() || !(usedValue.isArray() || usedValue.isUndefined())
        || !(personalValue.isBool() || personalValue.isUndefined()))
        return refuse("bad types");
    const QJsonObject bars = barsValue.toObject();
    if (bars.size() > kMaxUserBars + int(m_bars.size()))
        return refuse("too many bars");

    // Read everything before anything changes.
    struct Saved
    {
        QString name, title;
        QStringList items, removed;
        bool hasItems = false;
        QJsonValue visible;
    };
    std::vector<Saved> saved;
    for (auto it = bars.begin(); it != bars.end(); ++it) {
        if (!it.value().isObject())
            return refuse("bad types");
        const QJsonObject entry = it.value().toObject();
        Saved s;
        s.name = it.key();
        s.hasItems = entry.contains(QStringLiteral("items"));
        s.visible = entry.value(QStringLiteral("visible"));
        const QJsonValue title = entry.value(QStringLiteral("title"));
        if (!StringList(entry.value(QStringLiteral("items")), kMaxItemsPerBar, &s.items)
            || !StringList(entry.value(QStringLiteral("removed")), kMaxItemsPerBar, &s.removed)
            || !(title.isString() || title.isUndefined()) || !(s.visible.isBool() || s.visible.isUndefined()))
            return refuse("bad types");
        s.title = title.toString().left(100);
        const bool user = s.name.startsWith(QLatin1String("UserBar")) && !title.isUndefined();
        if (!Find(s.name) && !user) {
            qCWarning(lcCommandBars).noquote() << "no bar named" << s.name.left(40) << "; its saved layout is ignored";
            continue;
        }
        saved.push_back(s);
    }
    std::set<unsigned> used;
    for (const QJsonValue &id : usedValue.toArray()) {
        if (!id.isDouble() || id.toDouble() < 1 || id.toDouble() > 0xFFFF || used.size() >= 1000)
            return refuse("bad usage data");
        used.insert(unsigned(id.toInt()));
    }

    for (const Saved &s : saved) {
        QString name = s.name;
        if (!Find(name)) {
            const QString made = AddUserBar(s.title);
            if (made.isEmpty())
                continue;
            Bar *bar = Find(made);
            ToolBar(made)->setObjectName(name);
            bar->name = name;
        }
        Bar *bar = Find(name);
        if (s.hasItems) {
            const QStringList known = Known(*bar, s.items);
            bar->customised = true;
            if (name == kMenuBar) {
                bar->keys = known;
                bar->removed = s.removed;
                ArrangeMenuBar();
            } else if (QToolBar *toolBar = ToolBar(name)) {
                Fill(toolBar, known);
            }
        }
        if (s.visible.isBool())
            if (QToolBar *toolBar = ToolBar(name))
                toolBar->setVisible(s.visible.toBool());
    }
    m_used = used;
    m_personalized = personalValue.toBool(false);
    return true;
}

// ---- user images ---------------------------------------------------------------

int CCommandBars::LoadUserImages(const QString &folder)
{
    m_images.clear();
    for (const char *name : {"UserImages.bmp", "UserImages.png"}) {
        const QString path = QDir(folder).filePath(QLatin1String(name));
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        if (info.size() > kMaxImageFileBytes) {
            qCWarning(lcCommandBars).noquote() << path << "is too large for user images; ignored";
            continue;
        }
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > kMaxImageSide || size.height() > kMaxImageSide
            || size.width() < kImageCell || size.height() < kImageCell) {
            qCWarning(lcCommandBars).noquote() << path << "holds no usable user images; ignored";
            continue;
        }
        QImage image = reader.read();
        if (image.isNull()) {
            qCWarning(lcCommandBars).noquote() << path << "cannot be read:" << reader.errorString();
            continue;
        }
        // Magenta is transparent, as in the program's other bitmaps.
        image = image.convertToFormat(QImage::Format_ARGB32);
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255)));
        for (int y = 0; y + kImageCell <= image.height() && m_images.size() < kMaxImages; y += kImageCell) {
            for (int x = 0; x + kImageCell <= image.width() && m_images.size() < kMaxImages; x += kImageCell)
                m_images << QIcon(pixmap.copy(x, y, kImageCell, kImageCell));
        }
        return int(m_images.size());
    }
    return 0;
}

// ---- personalised menus --------------------------------------------------------

void CCommandBars::SetPersonalized(bool on)
{
    m_personalized = on;
    emit Changed();
}

void CCommandBars::NoteUsed(unsigned id)
{
    if (id && m_used.insert(id).second)
        emit Changed();
}

void CCommandBars::ShowAll(QMenu *menu)
{
    for (QAction *action : menu->actions()) {
        if (action->property(kChevron).toBool())
            action->setVisible(false);
        else if (!action->isVisible() && action->property("ostrelHidden").toBool())
            action->setVisible(true);
        action->setProperty("ostrelHidden", QVariant());
    }
}

void CCommandBars::PrepareMenu(QMenu *menu)
{
    if (!menu->property(kWatched).toBool()) {
        menu->setProperty(kWatched, true);
        connect(menu, &QMenu::triggered, this, [this](QAction *action) { NoteUsed(CommandIdOf(action)); });
    }
    QAction *chevron = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->property(kChevron).toBool())
            chevron = action;
    }
    ShowAll(menu);
    if (!m_personalized)
        return;
    bool hidden = false;
    for (QAction *action : menu->actions()) {
        const unsigned id = CommandIdOf(action);
        if (id && !action->menu() && !m_basic.count(id) && !m_used.count(id) && action->isVisible()) {
            action->setVisible(false);
            action->setProperty("ostrelHidden", true);
            hidden = true;
        }
    }
    if (!hidden)
        return;
    if (!chevron) {
        auto *button = new QToolButton;
        button->setArrowType(Qt::DownArrow);
        button->setAutoRaise(true);
        button->setToolTip(tr("Show all commands"));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto *action = new QWidgetAction(menu);
        action->setDefaultWidget(button);
        action->setProperty(kChevron, true);
        connect(button, &QToolButton::clicked, menu, [this, menu] { ShowAll(menu); });
        chevron = action;
    }
    menu->removeAction(chevron);
    menu->addAction(chevron);
    chevron->setVisible(true);
    QTimer::singleShot(kFullMenuDelayMs, menu, [this, menu] {
        if (menu->isVisible())
            ShowAll(menu);
    });
}
