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
#include <QAbstractSpinBox>
#include <QToolButton>

#include <algorithm>

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

// A number edit with arrows that may be left empty: a spin box of Qt's own
// puts its last value back when it loses the focus.
class CNumberEdit : public QAbstractSpinBox
{
public:
    CNumberEdit(int from, int to, QWidget *parent) : QAbstractSpinBox(parent), m_from(from), m_to(to)
    {
        setAlignment(Qt::AlignRight);
    }

    void SetNumber(int number) { lineEdit()->setText(QString::number(number)); }

    QValidator::State validate(QString &input, int &) const override
    {
        const QString text = input.trimmed();
        if (text.isEmpty())
            return QValidator::Acceptable;
        if (text == QLatin1String("-") || text == QLatin1String("+"))
            return m_from < 0 || text == QLatin1String("+") ? QValidator::Intermediate : QValidator::Invalid;
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        if (!ok)
            return QValidator::Invalid;
        if (number >= m_from && number <= m_to)
            return QValidator::Acceptable;
        // Typing on may still reach the range.
        return QValidator::Intermediate;
    }
    void fixup(QString &input) const override
    {
        if (!input.trimmed().isEmpty())
            input = QString::number(NumberFromText(input, m_from, m_to));
    }
    void stepBy(int steps) override
    {
        const qlonglong next = qlonglong(NumberFromText(lineEdit()->text(), m_from, m_to)) + steps;
        lineEdit()->setText(QString::number(std::clamp<qlonglong>(next, m_from, m_to)));
    }

protected:
    StepEnabled stepEnabled() const override
    {
        if (isReadOnly())
            return StepNone;
        const QString text = lineEdit()->text().trimmed();
        const int number = NumberFromText(text, m_from, m_to);
        StepEnabled enabled = StepNone;
        if (text.isEmpty() || number < m_to)
            enabled |= StepUpEnabled;
        if (text.isEmpty() || number > m_from)
            enabled |= StepDownEnabled;
        return enabled;
    }

private:
    int m_from;
    int m_to;
};

class CNumberLayoutItem : public CValueLayoutItem
{
public:
    using CValueLayoutItem::CValueLayoutItem;
    QWidget *CreateValueControl(QWidget *parent) override
    {
        m_edit = new CNumberEdit(m_row.from, m_row.to, parent);
        m_edit->SetNumber(m_shown.toInt());
        return m_edit;
    }
    QVariant GetValue() const override { return m_edit->text(); }

private:
    CNumberEdit *m_edit = nullptr;
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
