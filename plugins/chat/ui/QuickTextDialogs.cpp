#include "plugins/chat/ui/QuickTextDialogs.h"

#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextKeys.h"
#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"
#include "shared/Prompt.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void LayOut(QDialog *dialog, QLayout *fields, const QString &title, const QString &subtitle)
{
    SetDialogIcons(dialog);
    CDialogHeader::LayOutDialog(dialog, fields, title, subtitle, dialog->windowIcon());
}

void Refuse(QWidget *dialog, const QString &text, QWidget *field)
{
    PromptRequest request;
    request.text = text;
    request.icon = QMessageBox::Information;
    CPrompt::Show(request, dialog);
    field->setFocus();
}

} // namespace

CQuickTextCategoryDlg::CQuickTextCategoryDlg(CQuickTextCategory *category, CQuickTextCategory *parent, QWidget *owner)
    : QDialog(owner), m_category(category),
      m_parent(category->ParentCategory() ? category->ParentCategory() : parent),
      m_name(new QLineEdit(category->Title(), this))
{
    m_name->setObjectName(QStringLiteral("c113"));
    auto *fields = new QFormLayout;
    fields->addRow(m_name);
    LayOut(this, fields, tr("Category Information"), tr("Enter the name of the category"));
}

void CQuickTextCategoryDlg::accept()
{
    const QString name = m_name->text();
    if (name.isEmpty())
        return Refuse(this, tr("Please enter the category name"), m_name);
    if (name != m_category->Title() && m_parent && m_parent->FindCategory(name))
        return Refuse(this, tr("The category name already exists"), m_name);
    m_category->SetTitle(name);
    QDialog::accept();
}

CQuickTextItemDlg::CQuickTextItemDlg(CQuickTextItem *item, QWidget *owner)
    : QDialog(owner), m_item(item), m_title(new QLineEdit(item->Title(), this)),
      m_text(new QPlainTextEdit(item->Text(), this)), m_html(new QCheckBox(tr("This text is HTML"), this)),
      m_shared(new QCheckBox(tr("Share with other agents"), this)), m_key(new QKeySequenceEdit(this))
{
    m_title->setObjectName(QStringLiteral("c118"));
    m_text->setObjectName(QStringLiteral("c121"));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setTabChangesFocus(true);
    // Kept only to carry the flags through the dialog.
    m_html->setObjectName(QStringLiteral("c119"));
    m_html->setChecked(item->Html() != 0);
    m_html->hide();
    m_shared->setObjectName(QStringLiteral("c123"));
    m_shared->setChecked(item->Shared() != 0);
    m_shared->hide();
    m_key->setObjectName(QStringLiteral("c122"));
    const QKeyCombination key = QuickTextKeys::ToKey(item->Shortcut());
    if (item->Shortcut() && key.key() != Qt::Key_unknown)
        m_key->setKeySequence(QKeySequence(key));
    connect(m_key, &QKeySequenceEdit::keySequenceChanged, this, &CQuickTextItemDlg::KeepFirstKey);
    auto *reset = new QPushButton(tr("Reset"), this);
    reset->setObjectName(QStringLiteral("c124"));
    connect(reset, &QPushButton::clicked, m_key, &QKeySequenceEdit::clear);

    auto *textLabel = new QLabel(tr("Text:"), this);
    textLabel->setObjectName(QStringLiteral("c120"));
    auto *keyRow = new QHBoxLayout;
    keyRow->addWidget(m_key, 1);
    keyRow->addWidget(reset);
    auto *fields = new QVBoxLayout;
    fields->addWidget(new QLabel(tr("Title:"), this));
    fields->addWidget(m_title);
    fields->addWidget(textLabel);
    fields->addWidget(m_text, 1);
    fields->addWidget(m_html);
    fields->addWidget(new QLabel(tr("Press a new shortcut key (optional):"), this));
    fields->addLayout(keyRow);
    fields->addWidget(m_shared);
    LayOut(this, fields, tr("Quick Text"), tr("Enter the item details"));
}

void CQuickTextItemDlg::KeepFirstKey()
{
    const QKeySequence sequence = m_key->keySequence();
    if (sequence.isEmpty())
        return;
    // A key the stored form cannot name gets no shortcut, so none is shown.
    if (!QuickTextKeys::FromKey(sequence[0])) {
        m_key->clear();
        return;
    }
    if (sequence.count() > 1)
        m_key->setKeySequence(QKeySequence(sequence[0]));
}

unsigned CQuickTextItemDlg::Shortcut() const
{
    const QKeySequence sequence = m_key->keySequence();
    return sequence.isEmpty() ? 0 : QuickTextKeys::FromKey(sequence[0]);
}

void CQuickTextItemDlg::accept()
{
    if (m_title->text().isEmpty())
        return Refuse(this, tr("Please enter the title of the item"), m_title);
    if (m_text->toPlainText().isEmpty())
        return Refuse(this, tr("Please enter the item text"), m_text);
    m_item->Update(m_shared->isChecked() ? 1 : 0, m_title->text(), m_text->toPlainText(), m_html->isChecked() ? 1 : 0,
                   Shortcut());
    QDialog::accept();
}
