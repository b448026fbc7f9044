#include "host/UpgradePlugin.h"

#include "shared/LeadingInteger.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/AccountRules.h"
#include "host/HostLog.h"
#include "host/ServiceLinks.h"
#include "shared/ModuleVersion.h"
#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <algorithm>
#include <climits>
#include <string>

using namespace QVPlugin;

namespace {

const QString kFallbackVersion = QStringLiteral("2.0.0.0");

QMessageBox::StandardButton Ask(const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                QWidget *parent)
{
    PromptRequest request;
    request.caption = QStringLiteral("Quelvar");
    request.text = text;
    request.icon = icon;
    request.buttons = buttons;
    return CPrompt::Show(request, parent);
}

int Part(const QVector<int> &parts, qsizetype index)
{
    return index < parts.size() ? parts[index] : 0;
}

} // namespace

QVector<int> SplitVersion(const QString &text)
{
    QVector<int> parts;
    for (const QStringView piece : QStringView(text).split(QLatin1Char('.'), Qt::SkipEmptyParts))
        parts << int(std::clamp<qint64>(LeadingInteger(piece), INT_MIN, INT_MAX));
    return parts;
}

UpgradeKind CompareVersions(const QString &own, const QString &server)
{
    const QVector<int> mine = SplitVersion(own);
    const QVector<int> theirs = SplitVersion(server);
    if (mine.size() < 3 || theirs.size() < 3)
        return UpgradeKind::None;
    if (theirs[0] > mine[0] || (theirs[0] == mine[0] && theirs[1] > mine[1]))
        return UpgradeKind::Mandatory;
    if (theirs[0] == mine[0] && theirs[1] == mine[1] && Part(theirs, 3) > Part(mine, 3))
        return UpgradeKind::Optional;
    return UpgradeKind::None;
}

CUpgradePlugin::CUpgradePlugin(QWidget *frame, const QString &programDir, const QString &ownVersion)
    : m_frame(frame), m_programDir(programDir), m_ownVersion(ownVersion)
{
}

const QUuid *CUpgradePlugin::GetId() const
{
    return &PLUGIN_GUID_UPGRADE;
}

bool CUpgradePlugin::Initialize(IHost *host)
{
    m_host = host;
    return !m_frame.isNull();
}

int CUpgradePlugin::OnMessage(const QUuid &id, IMessage *in, IMessage *)
{
    if (id != MSG_AGENT_VERSION_INFO)
        return RESULT_NOT_HANDLED;
    if (in)
        CheckVersion(QString::fromStdString(static_cast<QVMessage<std::string> *>(in)->value));
    return RESULT_HANDLED_CONTINUE;
}

void CUpgradePlugin::CheckVersion(const QString &serverVersion)
{
    QString own = m_ownVersion.isEmpty() ? GetProgramVersion() : m_ownVersion;
    if (own.isEmpty())
        own = kFallbackVersion;
    const UpgradeKind kind = CompareVersions(own, serverVersion);
    qCInfo(lcHost).noquote() << "own version" << own << "server version" << serverVersion
                             << "update" << int(kind);
    if (kind == UpgradeKind::None)
        return;

    const auto yesNo = QMessageBox::Yes | QMessageBox::No;
    if (kind == UpgradeKind::Mandatory) {
        const QString text = QStringLiteral("A newer version of Quelvar is available.  \n\nYou must install the newer "
                                            "version in order to continue.  Would you like to update now?\n\nNote: "
                                            "You can also download the latest version from ")
            + HomePage();
        if (Ask(text, QMessageBox::Information, yesNo, m_frame) == QMessageBox::Yes)
            StartUpdater();
        CloseFrame();
        return;
    }
    const QString text = QStringLiteral("A newer version of Quelvar is available.  \n\nWould you like to update "
                                        "now?\n\nNote: You can also uninstall the current version and download the "
                                        "latest version from ")
        + HomePage();
    // An updater that does not start leaves the agent at work.
    if (Ask(text, QMessageBox::Information, yesNo, m_frame) == QMessageBox::Yes && StartUpdater())
        CloseFrame();
}

bool CUpgradePlugin::StartUpdater()
{
    const QString folder = m_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_programDir;
    const QString updater = QDir(folder).filePath(QStringLiteral("qvupdate"));
    if (QProcess::startDetached(updater, {}))
        return true;
    qCWarning(lcHost) << "the updater" << updater << "did not start";
    Ask(QStringLiteral("The update could not automatically be installed.  You can download the latest version on ")
            + HomePage(),
        QMessageBox::Warning, QMessageBox::Ok, m_frame);
    return false;
}

QString CUpgradePlugin::HomePage()
{
    MsgValue in(AccountKeys::ServerAddress, QString(QLatin1String("")));
    QVMessage<QVariant> out(in.value);
    if (m_host)
        m_host->SendMessage(MSG_GET_SETTING, &in, &out);
    QString server = out.value.toString();
    if (server.trimmed().isEmpty())
        server = DefaultServerAddress();
    return ServiceHomeUrl(server).toString();
}

void CUpgradePlugin::CloseFrame()
{
    if (m_frame)
        QMetaObject::invokeMethod(m_frame, &QWidget::close, Qt::QueuedConnection);
}
