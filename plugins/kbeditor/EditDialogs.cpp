#include "plugins/kbeditor/EditDialogs.h"

#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"
#include "shared/Prompt.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QLineEdit>

using namespace QVPlugin;

namespace {

// At least as wide as the dialog's template, given in dialog units: a
// horizontal unit is a quarter of the font's average character width.
void LayOut(QDialog *dialog, QLayout *fields, const QString &caption, int templateWidth)
{
    dialog->setWindowTitle(caption);
    SetDialogIcons(dialog);
    CDialogHeader::LayOutDialog(dialog, fields, caption, QString(), dialog->windowIcon());
    const int width = templateWidth * QFontMetrics(dialog->font()).averageCharWidth() / 4;
    dialog->setMinimumWidth(qMax(dialog->minimumWidth(), width));
    dialog->resize(qMax(dialog->width(), dialog->minimumWidth()), dialog->height());
}

void Refuse(QWidget *dialog, const QString &text, QWidget *field)
{
    field->setFocus();
    CPrompt::Error(text, dialog);
}

// The service answers a write with 1; -1 is a failure and 0 means the
// account or the service address is not known yet.
bool Taken(int result)
{
    return result > 0;
}

} // namespace

CCategoryEditDlg::CCategoryEditDlg(CLumoryPlugin *plugin, QWidget *parent)
    : QDialog(parent), m_plugin(plugin), m_title(new QLineEdit(this))
{
    m_title->setObjectName(QStringLiteral("c1049"));
    auto *fields = new QFormLayout;
    fields->addRow(tr("&Title"), m_title);
    LayOut(this, fields, tr("Category"), 245);
}

void CCategoryEditDlg::SetCategory(const KBCategory &category)
{
    m_category = category;
    m_title->setText(Utf8ToWide(category.title));
}

void CCategoryEditDlg::accept()
{
    const QString title = m_title->text();
    if (title.isEmpty())
        return Refuse(this, LumoryString(14023), m_title);
    KBCategory category = m_category;
    category.title = WideToUtf8(title);
    const int result = category.id != 0 ? m_plugin->UpdateCategory(category) : m_plugin->AddCategory(category);
    if (!Taken(result))
        return Refuse(this, tr("The category could not be saved. Please try again later."), m_title);
    m_category = category;
    QDialog::accept();
}

CStatusEditDlg::CStatusEditDlg(CLumoryPlugin *plugin, QWidget *parent)
    : QDialog(parent), m_plugin(plugin), m_name(new QLineEdit(this)), m_description(new QLineEdit(this))
{
    m_name->setObjectName(QStringLiteral("c1048"));
    m_description->setObjectName(QStringLiteral("c1049"));
    auto *fields = new QFormLayout;
    fields->addRow(tr("&Name"), m_name);
    fields->addRow(tr("&Description:"), m_description);
    LayOut(this, fields, tr("Status"), 245);
}

void CStatusEditDlg::SetStatus(const std::string &oldName, const KBStatus &status)
{
    m_oldName = oldName;
    m_name->setText(Utf8ToWide(status.status));
    m_description->setText(Utf8ToWide(status.description));
}

void CStatusEditDlg::accept()
{
    const QString name = m_name->text();
    if (name.isEmpty())
        return Refuse(this, LumoryString(14022), m_name);
    const KBStatus status{WideToUtf8(name), WideToUtf8(m_description->text())};
    const int result = m_oldName.empty() ? m_plugin->AddStatus(status) : m_plugin->UpdateStatus(status, m_oldName);
    if (!Taken(result))
        return Refuse(this, tr("The status could not be saved. Please try again later."), m_name);
    QDialog::accept();
}
