#include "QVSkin.h"

CQVSkin::CQVSkin(const QString &id)
    : m_id(id)
{
}

CQVSkin::~CQVSkin() = default;

void CQVSkin::AddForm(std::unique_ptr<CQVSkinForm> form)
{
    if (form)
        m_forms.push_back(std::move(form));
}

CQVSkinForm *CQVSkin::GetForm(const QString &id) const
{
    for (const auto &form : m_forms) {
        if (*form == id)
            return form.get();
    }
    return nullptr;
}

void CQVSkin::AddColor(QVSkinNamedColors name, QRgb argb)
{
    m_colors.emplace(name, argb);
}

std::optional<QRgb> CQVSkin::GetColor(QVSkinNamedColors name) const
{
    const auto it = m_colors.find(name);
    if (it == m_colors.end())
        return std::nullopt;
    return it->second;
}

QString CQVSkin::ColorName(QVSkinNamedColors name)
{
    switch (name) {
    case FormBackground:
        return QStringLiteral("FormBackground");
    }
    return {};
}

std::optional<QVSkinNamedColors> CQVSkin::ColorFromName(const QString &text)
{
    for (QVSkinNamedColors name : {FormBackground}) {
        if (ColorName(name) == text)
            return name;
    }
    return std::nullopt;
}
