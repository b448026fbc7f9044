#include "host/SettingsDlg.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "host/HostLog.h"
#include "host/LayoutWnd.h"
#include "host/SettingsLayout.h"
#include "shared/DialogIcons.h"

#include <QDialogButtonBox>
#include <QDomDocument>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace QVPlugin;

namespace {
constexpr int kTreeWidth = 170;
} // namespace

QString CSettingsDlg::HostLayoutFile()
{
    return QStringLiteral(":/ostrel/host/XML/324");
}

CSettingsDlg::CSettingsDlg(CManager *bus, QWidget *parent, const QString &layoutFile)
    : QDialog(parent), m_bus(bus), m_tree(new QTreeWidget(this)), m_frame(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("CSettingsDlg"));
    setWindowTitle(tr("Settings"));

    auto *treeLabel = new QLabel(tr("&Category:"), this);
    treeLabel->setBuddy(m_tree);
    m_tree->setObjectName(QStringLiteral("c1001"));
    m_tree->setHeaderHidden(true);
    m_tree->setFixedWidth(kTreeWidth);
    // Every branch stays open.
    m_tree->setItemsExpandable(false);
    m_frame->setObjectName(QStringLiteral("c1003"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("c1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("c2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *treeColumn = new QVBoxLayout;
    treeColumn->addWidget(treeLabel);
    treeColumn->addWidget(m_tree, 1);
    auto *body = new QHBoxLayout;
    body->addLayout(treeColumn);
    body->addWidget(m_frame, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) { ShowPage(item); });
    m_loaded = Load(layoutFile.isEmpty() ? HostLayoutFile() : layoutFile);
    if (m_loaded)
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    SetDialogIcons(this);
    resize(620, 420);
}

bool CSettingsDlg::Load(const QString &layoutFile)
{
    QFile file(layoutFile);
    QDomDocument document;
    QString error;
    int line = 0;
    if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file, &error, &line)) {
        qCWarning(lcHost) << "the settings layout" << layoutFile << "does not load:" << error << "line" << line;
        return false;
    }
    if (!m_bus)
        return false;
    QVMessage<QDomDocument *> build(&document);
    m_bus->SendMessage(nullptr, MSG_BUILD_SETTINGS_LAYOUT, &build, nullptr);

    const std::vector<SettingsCategory> categories = ReadSettingsLayout(document.documentElement());
    if (categories.empty()) {
        qCWarning(lcHost) << "the settings layout has no category";
        return false;
    }
    for (const SettingsCategory &category : categories)
        AddCategory(category, nullptr);
    return true;
}

void CSettingsDlg::AddCategory(const SettingsCategory &category, QTreeWidgetItem *parent)
{
    const QStringList text{category.label};
    auto *item = parent ? new QTreeWidgetItem(parent, text) : new QTreeWidgetItem(m_tree, text);
    item->setData(0, Qt::UserRole, int(m_pages.size()));

    // A page taller than the dialog scrolls: a plug-in may bring many rows.
    auto *scroller = new QScrollArea(m_frame);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    auto *page = new CLayoutWnd;
    m_pages.push_back(page);
    m_frame->addWidget(scroller);
    for (const SettingRow &row : category.rows) {
        const QVariant stored = row.type == SettingType::Label ? QVariant() : m_bus->GetSetting(row.key, SettingDefault(row));
        page->AddItem(MakeLayoutItem(row, stored));
    }
    page->CreateItems();
    scroller->setWidget(page);

    for (const SettingsCategory &child : category.children)
        AddCategory(child, item);
    item->setExpanded(true);
}

void CSettingsDlg::ShowPage(QTreeWidgetItem *item)
{
    bool ok = false;
    const int index = item ? item->data(0, Qt::UserRole).toInt(&ok) : -1;
    const bool valid = ok && index >= 0 && index < int(m_pages.size());
    if (valid)
        m_frame->setCurrentIndex(index); // the pages' scroll areas, in the same order
    m_frame->setVisible(valid);
}

int CSettingsDlg::exec()
{
    // As if cancelled: the agent sees nothing.
    if (!m_loaded) {
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

void CSettingsDlg::accept()
{
    const SettingWriter write = [this](const QString &key, const QVariant &value) { m_bus->SetSetting(key, value); };
    for (CLayoutWnd *page : m_pages)
        page->Save(write);
    QDialog::accept();
}
