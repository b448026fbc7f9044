#include "shared/CustomizeDialog.h"

#include "shared/CommandBars.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kKeyRole = Qt::UserRole;

QPushButton *Button(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CCustomizeDialog::CCustomizeDialog(CCommandBars *bars, QWidget *parent)
    : QDialog(parent), m_bars(bars), m_categories(new QListWidget), m_commands(new QListWidget),
      m_bar(new QComboBox), m_items(new QListWidget), m_image(new QComboBox), m_toolBars(new QListWidget),
      m_personalized(new QCheckBox(tr("&Menus show the basic and recently used commands first")))
{
    setObjectName(QStringLiteral("CustomizeDialog"));
    setWindowTitle(tr("Customize"));
    auto *tabs = new QTabWidget(this);

    // Commands
    auto *commandsPage = new QWidget;
    m_categories->setObjectName(QStringLiteral("Categories"));
    m_commands->setObjectName(QStringLiteral("Commands"));
    m_commands->setDragDropMode(QAbstractItemView::DragOnly);
    m_commands->setDefaultDropAction(Qt::CopyAction);
    m_bar->setObjectName(QStringLiteral("BarChoice"));
    m_items->setObjectName(QStringLiteral("BarItems"));
    m_items->setDragDropMode(QAbstractItemView::DragDrop);
    m_items->setDefaultDropAction(Qt::MoveAction);
    m_image->setObjectName(QStringLiteral("ImageChoice"));
    m_image->addItem(tr("(none)"), -1);
    for (int i = 0; i < m_bars->UserImages().size(); ++i)
        m_image->addItem(m_bars->UserImages()[i], QString::number(i + 1), i);
    m_image->setEnabled(m_image->count() > 1);

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("Categories:")));
    left->addWidget(m_categories, 1);
    auto *middle = new QVBoxLayout;
    middle->addWidget(new QLabel(tr("Commands (drag onto a bar):")));
    middle->addWidget(m_commands, 2);
    auto *buttons = new QVBoxLayout;
    QPushButton *add = Button(tr("&Add >"), "AddButton", this);
    QPushButton *remove = Button(tr("&Remove"), "RemoveButton", this);
    QPushButton *up = Button(tr("Move &Up"), "UpButton", this);
    QPushButton *down = Button(tr("Move &Down"), "DownButton", this);
    QPushButton *separator = Button(tr("&Separator"), "SeparatorButton", this);
    QPushButton *reset = Button(tr("Rese&t"), "ResetButton", this);
    for (QPushButton *button : {add, remove, up, down, separator})
        buttons->addWidget(button);
    auto *imageLabel = new QLabel(tr("&Image:"));
    imageLabel->setBuddy(m_image);
    buttons->addWidget(imageLabel);
    buttons->addWidget(m_image);
    buttons->addStretch();
    buttons->addWidget(reset);
    auto *right = new QVBoxLayout;
    auto *barLabel = new QLabel(tr("&Bar:"));
    barLabel->setBuddy(m_bar);
    right->addWidget(barLabel);
    right->addWidget(m_bar);
    right->addWidget(m_items, 1);
    auto *commandsLayout = new QHBoxLayout(commandsPage);
    commandsLayout->addLayout(left, 1);
    commandsLayout->addLayout(middle, 2);
    commandsLayout->addLayout(buttons);
    commandsLayout->addLayout(right, 2);
    tabs->addTab(commandsPage, tr("&Commands"));

    // Toolbars
    auto *barsPage = new QWidget;
    m_toolBars->setObjectName(QStringLiteral("ToolBars"));
    QPushButton *newBar = Button(tr("&New..."), "NewBarButton", this);
    m_deleteBar = Button(tr("De&lete"), "DeleteBarButton", this);
    auto *barButtons = new QVBoxLayout;
    barButtons->addWidget(newBar);
    barButtons->addWidget(m_deleteBar);
    barButtons->addStretch();
    auto *barsLayout = new QHBoxLayout(barsPage);
    barsLayout->addWidget(m_toolBars, 1);
    barsLayout->addLayout(barButtons);
    tabs->addTab(barsPage, tr("&Toolbars"));

    // Options
    auto *optionsPage = new QWidget;
    m_personalized->setObjectName(QStringLiteral("Personalized"));
    m_personalized->setChecked(m_bars->Personalized());
    QPushButton *resetUsage = Button(tr("Reset my &usage data"), "ResetUsageButton", this);
    auto *optionsLayout = new QVBoxLayout(optionsPage);
    optionsLayout->addWidget(m_personalized);
    optionsLayout->addWidget(new QLabel(tr("The other commands show after a short delay or a click on the arrow.")));
    auto *usageRow = new QHBoxLayout;
    usageRow->addWidget(resetUsage);
    usageRow->addStretch();
    optionsLayout->addLayout(usageRow);
    optionsLayout->addStretch();
    // Only a frame with basic commands personalises its menus.
    if (m_bars->OffersPersonalMenus())
        tabs->addTab(optionsPage, tr("&Options"));
    else
        optionsPage->setParent(this), optionsPage->hide();

    auto *close = new QDialogButtonBox(QDialogButtonBox::Close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(close);
    resize(760, 440);

    for (const CCommandBars::Category &category : m_bars->Categories())
        m_categories->addItem(category.name);
    for (const QString &bar : m_bars->Bars())
        m_bar->addItem(m_bars->Title(bar), bar);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(m_categories, &QListWidget::currentRowChanged, this, &CCustomizeDialog::ChooseCategory);
    connect(m_bar, &QComboBox::currentIndexChanged, this, &CCustomizeDialog::FillItems);
    connect(m_commands, &QListWidget::itemDoubleClicked, this, &CCustomizeDialog::AddSelected);
    connect(add, &QPushButton::clicked, this, &CCustomizeDialog::AddSelected);
    connect(remove, &QPushButton::clicked, this, &CCustomizeDialog::RemoveSelected);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(separator, &QPushButton::clicked, this, &CCustomizeDialog::AddSeparator);
    connect(reset, &QPushButton::clicked, this, &CCustomizeDialog::ResetBar);
    connect(m_image, &QComboBox::activated, this, [this](int index) { SetImage(m_image->itemData(index).toInt()); });
    // A drop lands in the list first; the bar follows once the view is done.
    const auto dropped = [this] {
        if (!m_filling)
            QTimer::singleShot(0, this, &CCustomizeDialog::Store);
    };
    connect(m_items->model(), &QAbstractItemModel::rowsInserted, this, dropped);
    connect(m_items->model(), &QAbstractItemModel::rowsMoved, this, dropped);
    connect(m_items->model(), &QAbstractItemModel::rowsRemoved, this, dropped);

    connect(m_toolBars, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!m_filling)
            m_bars->SetBarVisible(item->data(kKeyRole).toString(), item->checkState() == Qt::Checked);
    });
    connect(m_toolBars, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        m_deleteBar->setEnabled(item && m_bars->IsUserBar(item->data(kKeyRole).toString()));
    });
    connect(newBar, &QPushButton::clicked, this, [this] {
        const QString title = QInputDialog::getText(this, tr("New Toolbar"), tr("Toolbar name:"), QLineEdit::Normal,
                                                    tr("Custom %1").arg(m_bar->count()));
        if (title.trimmed().isEmpty())
            return;
        const QString name = m_bars->AddUserBar(title.trimmed());
        if (name.isEmpty())
            return;
        m_bar->addItem(m_bars->Title(name), name);
        FillToolBars();
    });
    connect(m_deleteBar, &QPushButton::clicked, this, [this] {
        QListWidgetItem *item = m_toolBars->currentItem();
        if (!item)
            return;
        const QString name = item->data(kKeyRole).toString();
        m_bars->RemoveUserBar(name);
        m_bar->removeItem(m_bar->findData(name));
        FillToolBars();
    });
    connect(m_personalized, &QCheckBox::toggled, m_bars, &CCommandBars::SetPersonalized);
    connect(resetUsage, &QPushButton::clicked, m_bars, &CCommandBars::ResetUsage);

    m_categories->setCurrentRow(0);
    FillItems();
    FillToolBars();
}

QString CCustomizeDialog::CurrentBar() const
{
    return m_bar->currentData().toString();
}

void CCustomizeDialog::ChooseBar(const QString &bar)
{
    if (m_bar->findData(bar) < 0 && m_bars->Bars().contains(bar)) {
        m_bar->addItem(m_bars->Title(bar), bar);
        FillToolBars();
    }
    m_bar->setCurrentIndex(m_bar->findData(bar));
}

void CCustomizeDialog::ChooseCategory(int row)
{
    m_commands->clear();
    const std::vector<CCommandBars::Category> categories = m_bars->Categories();
    if (row < 0 || row >= int(categories.size()))
        return;
    for (const CCommandBars::Command &command : categories[row].commands) {
        auto *item = new QListWidgetItem(command.icon, command.text, m_commands);
        item->setData(kKeyRole, CCommandBars::CommandKey(command.id));
    }
    m_commands->setCurrentRow(0);
}

void CCustomizeDialog::FillItems()
{
    m_filling = true;
    m_items->clear();
    for (const QString &key : m_bars->Layout(CurrentBar())) {
        auto *item = new QListWidgetItem(m_bars->KeyIcon(key), m_bars->KeyText(key), m_items);
        item->setData(kKeyRole, key);
        // Items only move within the list; nothing drops onto them.
        item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
    }
    m_filling = false;
}

void CCustomizeDialog::FillToolBars()
{
    m_filling = true;
    m_toolBars->clear();
    for (const QString &bar : m_bars->Bars()) {
        QToolBar *toolBar = m_bars->ToolBar(bar);
        if (!toolBar)
            continue;
        auto *item = new QListWidgetItem(m_bars->Title(bar), m_toolBars);
        item->setData(kKeyRole, bar);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(toolBar->isHidden() ? Qt::Unchecked : Qt::Checked);
    }
    m_deleteBar->setEnabled(false);
    m_filling = false;
}

void CCustomizeDialog::Store()
{
    QStringList keys;
    for (int row = 0; row < m_items->count(); ++row)
        keys << m_items->item(row)->data(kKeyRole).toString();
    const int current = m_items->currentRow();
    m_bars->SetLayout(CurrentBar(), keys);
    FillItems();
    m_items->setCurrentRow(qMin(current, m_items->count() - 1));
}

void CCustomizeDialog::AddSelected()
{
    QListWidgetItem *command = m_commands->currentItem();
    if (!command)
        return;
    QStringList keys = m_bars->Layout(CurrentBar());
    const int at = m_items->currentRow() + 1;
    keys.insert(qBound(0, at, int(keys.size())), command->data(kKeyRole).toString());
    m_bars->SetLayout(CurrentBar(), keys);
    FillItems();
    m_items->setCurrentRow(qBound(0, at, m_items->count() - 1));
}

void CCustomizeDialog::AddSeparator()
{
    QStringList keys = m_bars->Layout(CurrentBar());
    const int at = m_items->currentRow() + 1;
    keys.insert(qBound(0, at, int(keys.size())), QStringLiteral("s"));
    m_bars->SetLayout(CurrentBar(), keys);
    FillItems();
    m_items->setCurrentRow(qBound(0, at, m_items->count() - 1));
}

void CCustomizeDialog::RemoveSelected()
{
    const int row = m_items->currentRow();
    QStringList keys = m_bars->Layout(CurrentBar());
    if (row < 0 || row >= keys.size())
        return;
    keys.removeAt(row);
    m_bars->SetLayout(CurrentBar(), keys);
    FillItems();
    m_items->setCurrentRow(qMin(row, m_items->count() - 1));
}

void CCustomizeDialog::MoveSelected(int by)
{
    const int row = m_items->currentRow();
    QStringList keys = m_bars->Layout(CurrentBar());
    const int to = row + by;
    if (row < 0 || row >= keys.size() || to < 0 || to >= keys.size())
        return;
    keys.move(row, to);
    m_bars->SetLayout(CurrentBar(), keys);
    FillItems();
    m_items->setCurrentRow(to);
}

void CCustomizeDialog::ResetBar()
{
    m_bars->Reset(CurrentBar());
    FillItems();
}

void CCustomizeDialog::SetImage(int image)
{
    const int row = m_items->currentRow();
    QStringList keys = m_bars->Layout(CurrentBar());
    if (row < 0 || row >= keys.size())
        return;
    if (const unsigned id = CCommandBars::KeyCommand(keys[row])) {
        keys[row] = CCommandBars::CommandKey(id, image);
        m_bars->SetLayout(CurrentBar(), keys);
        FillItems();
        m_items->setCurrentRow(row);
    }
}
