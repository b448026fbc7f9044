#include "QVSkinManager.h"

#include "QVSkinReader.h"
#include "SkinLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace {

// The model has no lock: it belongs to the user-interface thread. A call from
// elsewhere is a programmer error, logged where it happened.
void checkUiThread(const char *where)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread())
        qCWarning(lcSkins) << where << "called off the user-interface thread";
}

} // namespace

CQVSkinManager::CQVSkinManager() = default;

CQVSkinManager::~CQVSkinManager() = default;

CQVSkinManager *CQVSkinManager::Instance()
{
    // Destroyed at process exit; skins hold only QImage, which needs no application.
    static CQVSkinManager instance;
    return &instance;
}

bool CQVSkinManager::Load(const QString &folder)
{
    checkUiThread(Q_FUNC_INFO);
    CQVSkinManager *self = Instance();
    // An empty path would mean the working folder.
    if (folder.isEmpty())
        return false;
    const QDir dir(folder);
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);

    std::vector<std::unique_ptr<CQVSkin>> skins;
    for (const QFileInfo &file : files) {
        if (CQVSkinReader::ReadFile(file.filePath(), skins) == CQVSkinReader::Result::Abandoned)
            return false;
    }
    if (skins.empty()) {
        qCWarning(lcSkins) << "no skin in" << folder;
        return false;
    }

    if (self->m_locks > 0) {
        for (auto &skin : self->m_skins)
            self->m_retired.push_back(std::move(skin));
    }
    self->m_skins = std::move(skins);
    self->m_current = nullptr;
    self->m_folder = folder;
    qCInfo(lcSkins) << "loaded skins" << GetSkinNames() << "from" << folder;

    if (!SetCurrentSkin(QStringLiteral("default")))
        self->m_current = self->m_skins.front().get();
    return true;
}

QStringList CQVSkinManager::GetSkinNames()
{
    QStringList names;
    for (const auto &skin : Instance()->m_skins)
        names << skin->GetId();
    return names;
}

QString CQVSkinManager::GetCurrentSkin()
{
    const CQVSkin *current = Instance()->m_current;
    return current ? current->GetId() : QString();
}

bool CQVSkinManager::SetCurrentSkin(const QString &id)
{
    checkUiThread(Q_FUNC_INFO);
    CQVSkinManager *self = Instance();
    for (const auto &skin : self->m_skins) {
        if (skin->GetId() != id)
            continue;
        if (skin.get() != self->m_current) {
            self->m_current = skin.get();
            emit self->OnSkinChanged();
        }
        return true;
    }
    return false;
}

CQVSkinForm *CQVSkinManager::LockForm(const QString &name)
{
    checkUiThread(Q_FUNC_INFO);
    CQVSkinManager *self = Instance();
    CQVSkinForm *form = self->m_current ? self->m_current->GetForm(name) : nullptr;
    if (form)
        ++self->m_locks;
    return form;
}

void CQVSkinManager::UnlockForm(const QString &name)
{
    CQVSkinManager *self = Instance();
    if (self->m_locks <= 0) {
        qCWarning(lcSkins) << "UnlockForm without LockForm:" << name;
        return;
    }
    if (--self->m_locks == 0)
        self->m_retired.clear();
}

QColor CQVSkinManager::GetColor(QVSkinNamedColors name)
{
    const CQVSkin *current = Instance()->m_current;
    const auto argb = current ? current->GetColor(name) : std::nullopt;
    return QColor::fromRgba(argb.value_or(0xFF000000u));
}

QString CQVSkinManager::GetCssPath()
{
    const CQVSkin *current = Instance()->m_current;
    return current ? current->GetCssPath() : QString();
}
