#include "host/LayoutWnd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace {

constexpr int kMargin = 3;
constexpr int kRowGap = 3;

class CTextLayoutItem : public CValueLayoutItem
{
public:
    using CValueLayoutItem::CValueLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        m_edit = new QLineEdit(m_shown.toString(), parent);
        return m_edit;
    }
    QVariant GetValue() const override { return m_edit->text(); }

protected:
    QLineEdit *m_edit = nullptr;
};

class CPasswordLayoutItem : public CTextLayoutItem
{
public:
    using CTextLayoutItem::CTextLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        CTextLayoutItem::CreateValueControl(parent);
        m_edit->setEchoMode(QLineEdit::Password);
        return m_edit;
    }
};

class CSelectLayoutItem : public CValueLayoutItem
{
public:
    using CValueLayoutItem::CValueLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        m_list = new QComboBox(parent);
        int selected = -1;
        for (const SettingOption &option : m_row.options) {
            if (selected < 0 && option.value == m_shown.toString())
                selected = m_list->count();
            m_list->addItem(option.text, option.value);
        }
        m_list->setCurrentIndex(selected);
        return m_list;
    }
    QVariant GetValue() const override
    {
        return m_list->currentIndex() < 0 ? QVariant() : m_list->currentData();
    }

private:
    QComboBox *m_list = nullptr;
};

class CNumberLayoutItem : public CValueLayoutItem
{
public:
    using CValueLayoutItem::CValueLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        m_spin = new QSpinBox(parent);
        m_spin->setRange(m_row.from, m_row.to);
        m_spin->setAlignment(Qt::AlignRight);
        m_spin->setValue(m_shown.toInt());
        return m_spin;
    }
    QVariant GetValue() const override { return m_spin->cleanText(); }

private:
    QSpinBox *m_spin = nullptr;
};

// A file (mode File) or folder (mode Folder) name with a browse button and
// completion from the file system.
class CPathLayoutItem : public CValueLayoutItem
{
public:
    using CValueLayoutItem::CValueLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        auto *box = new QWidget(parent);
        auto *layout = new QHBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(kMargin);
        m_edit = new QLineEdit(m_shown.toString(), box);
        auto *model = new QFileSystemModel(m_edit);
        model->setFilter(Folders() ? QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives
                                   : QDir::AllEntries | QDir::NoDotAndDotDot);
        model->setRootPath(QString());
        m_edit->setCompleter(new QCompleter(model, m_edit));
        auto *browse = new QToolButton(box);
        browse->setText(QStringLiteral("..."));
        browse->setObjectName(m_row.key + QStringLiteral(".browse"));
        QObject::connect(browse, &QToolButton::clicked, m_edit, [this] { Browse(); });
        layout->addWidget(m_edit, 1);
        layout->addWidget(browse);
        box->setFocusProxy(m_edit);
        return box;
    }
    QVariant GetValue() const override { return m_edit->text(); }

private:
    bool Folders() const { return m_row.type == SettingType::Folder; }

    void Browse()
    {
        // Relative names, such as the default sound files, are the program's.
        const QString current = m_edit->text();
        const QString start = current.isEmpty() ? QCoreApplication::applicationDirPath()
                                                : QDir(QCoreApplication::applicationDirPath()).filePath(current);
        const QString chosen = Folders()
            ? QFileDialog::getExistingDirectory(m_edit->window(), QString(), start)
            : QFileDialog::getOpenFileName(m_edit->window(), QString(), start,
                                           FileDialogFilters(m_row.filter).join(QStringLiteral(";;")));
        if (!chosen.isEmpty())
            m_edit->setText(QDir::toNativeSeparators(chosen));
    }

    QLineEdit *m_edit = nullptr;
};

} // namespace

void CLabelLayoutItem::Create(QGridLayout *grid, int row)
{
    auto *label = new QLabel(m_text, grid->parentWidget());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(label, row, 0, 1, 2);
}

void CValueLayoutItem::Create(QGridLayout *grid, int row)
{
    QWidget *page = grid->parentWidget();
    auto *label = new QLabel(m_row.label, page);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QWidget *control = CreateValueControl(page);
    control->setObjectName(m_row.key);
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
}

void CValueLayoutItem::Save(const SettingWriter &write)
{
    if (const std::optional<QVariant> value = SettingToWrite(m_row, m_shown, GetValue()))
        write(m_row.key, *value);
}

void CBoolLayoutItem::Create(QGridLayout *grid, int row)
{
    m_box = new QCheckBox(m_row.label, grid->parentWidget());
    m_box->setObjectName(m_row.key);
    m_box->setChecked(m_shown);
    grid->addWidget(m_box, row, 0, 1, 2);
}

void CBoolLayoutItem::Save(const SettingWriter &write)
{
    if (const std::optional<QVariant> value = SettingToWrite(m_row, m_shown, m_box->isChecked()))
        write(m_row.key, *value);
}

std::unique_ptr<ILayoutItem> MakeLayoutItem(const SettingRow &row, const QVariant &stored)
{
    const QVariant shown = ShownValue(row, stored);
    switch (row.type) {
    case SettingType::Label:
        return std::make_unique<CLabelLayoutItem>(row.label);
    case SettingType::Text:
        return std::make_unique<CTextLayoutItem>(row, shown);
    case SettingType::Password:
        return std::make_unique<CPasswordLayoutItem>(row, shown);
    case SettingType::Bool:
        return std::make_unique<CBoolLayoutItem>(row, shown.toBool());
    case SettingType::Select:
        return std::make_unique<CSelectLayoutItem>(row, shown);
    case SettingType::Number:
        return std::make_unique<CNumberLayoutItem>(row, shown);
    case SettingType::File:
    case SettingType::Folder:
        return std::make_unique<CPathLayoutItem>(row, shown);
    }
    return nullptr;
}

CLayoutWnd::CLayoutWnd(QWidget *parent) : QWidget(parent), m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_grid->setVerticalSpacing(kRowGap);
    m_grid->setColumnStretch(1, 1);
}

CLayoutWnd::~CLayoutWnd() = default;

void CLayoutWnd::AddItem(std::unique_ptr<ILayoutItem> item)
{
    if (item && !m_ready)
        m_items.push_back(std::move(item));
}

void CLayoutWnd::CreateItems()
{
    if (m_ready)
        return;
    int row = 0;
    for (const auto &item : m_items)
        item->Create(m_grid, row++);
    // The rows keep to the top of the page.
    m_grid->setRowStretch(row, 1);
    m_ready = true;
}

void CLayoutWnd::Save(const SettingWriter &write)
{
    for (const auto &item : m_items)
        item->Save(write);
}
