#pragma once
// The process-wide skin model: the skins read from the skin folder, the
// current skin, and the signal that tells skinned windows the current skin
// changed. Static members over one instance built on first use.
// User-interface thread only; OnSkinChanged's receivers run synchronously.

#include "skins/FaycelExport.h"
#include "skins/QVSkin.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CQVSkinForm;

class FAYCEL_EXPORT CQVSkinManager : public QObject
{
    Q_OBJECT

public:
    // The instance that emits OnSkinChanged; owned by the library.
    static CQVSkinManager *Instance();

    // Reads every "*.xml" file of the folder, in name order. True when at
    // least one skin was read: the skins are replaced and the current skin is
    // "default" (emitting OnSkinChanged) or else the first one (silently).
    // False, keeping the previous skins, when none was read or a value is bad.
    static bool Load(const QString &folder);

    // Ids of the loaded skins, in load order.
    static QStringList GetSkinNames();
    // The current skin's id, empty when none.
    static QString GetCurrentSkin();
    // False when no loaded skin has that id; emits OnSkinChanged only when the
    // current skin really changes.
    static bool SetCurrentSkin(const QString &id);

    // The current skin's form of that id, or null; owned by the manager and
    // valid until the matching UnlockForm, even across a new Load.
    static CQVSkinForm *LockForm(const QString &name);
    static void UnlockForm(const QString &name);

    // The current skin's colour of that name, opaque black when it has none.
    static QColor GetColor(QVSkinNamedColors name);
    // The current skin's style-sheet URL, empty when none.
    static QString GetCssPath();

signals:
    void OnSkinChanged();

private:
    CQVSkinManager();
    ~CQVSkinManager() override;

    QString m_folder;
    std::vector<std::unique_ptr<CQVSkin>> m_skins;
    CQVSkin *m_current = nullptr;
    int m_locks = 0;
    // Skins replaced by a Load while forms were locked; freed at the last unlock.
    std::vector<std::unique_ptr<CQVSkin>> m_retired;
};
