#pragma once
// One skin: a named set of forms, named colours and a style sheet for HTML
// views. Read once from a skin file, then never changed.
// User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSkinForm.h"

#include <QRgb>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

// The colours a skin may name.
enum QVSkinNamedColors {
    FormBackground = 0,
};

class FAYCEL_EXPORT CQVSkin
{
public:
    explicit CQVSkin(const QString &id);
    ~CQVSkin();
    CQVSkin(const CQVSkin &) = delete;
    CQVSkin &operator=(const CQVSkin &) = delete;

    const QString &GetId() const { return m_id; }

    // The skin takes ownership.
    void AddForm(std::unique_ptr<CQVSkinForm> form);
    // First form with that id, or null; owned by the skin.
    CQVSkinForm *GetForm(const QString &id) const;
    const std::vector<std::unique_ptr<CQVSkinForm>> &GetForms() const { return m_forms; }

    // The first definition of a name counts; later ones are ignored.
    void AddColor(QVSkinNamedColors name, QRgb argb);
    std::optional<QRgb> GetColor(QVSkinNamedColors name) const;

    // A file URL, empty when the skin names no style sheet.
    const QString &GetCssPath() const { return m_cssPath; }
    void SetCssPath(const QString &url) { m_cssPath = url; }

    // The name as spelled in skin files ("FormBackground"), and back.
    static QString ColorName(QVSkinNamedColors name);
    static std::optional<QVSkinNamedColors> ColorFromName(const QString &text);

private:
    QString m_id;
    std::vector<std::unique_ptr<CQVSkinForm>> m_forms;
    std::map<QVSkinNamedColors, QRgb> m_colors;
    QString m_cssPath;
};
