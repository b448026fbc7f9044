#pragma once
// Reads the skins of one skin file into the model. Internal to the library:
// CQVSkinManager::Load is its only caller. User-interface thread only.

#include "skins/QVSkin.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QDomElement;
class CQVSkinControl;
class CQVSkinPaintRect;

class CQVSkinReader
{
public:
    enum class Result {
        Read,       // every skin of the file was appended (possibly none)
        Unreadable, // the file does not open or parse: skipped
        Abandoned,  // a bad value: the whole load must be abandoned
    };

    // Appends the file's skins to skins; on Abandoned nothing is appended.
    static Result ReadFile(const QString &path, std::vector<std::unique_ptr<CQVSkin>> &skins);

private:
    explicit CQVSkinReader(const QString &folder);

    std::unique_ptr<CQVSkin> ReadSkin(const QDomElement &element) const;
    void ReadForm(const QDomElement &element, CQVSkin &skin) const;
    std::unique_ptr<CQVSkinControl> ReadControl(const QDomElement &element) const;
    void ReadControlOver(const QDomElement &element, CQVSkinControl &control) const;
    void ReadCommonAttributes(const QDomElement &element, CQVSkinControl &control) const;
    void ReadNestedControls(const QDomElement &element, CQVSkinControl &control) const;
    // Each element is read over the control of its id that the list already
    // holds (an inherited one), or read anew and added.
    using FindControl = std::function<CQVSkinControl *(const QString &id)>;
    using AddControl = std::function<void(std::unique_ptr<CQVSkinControl>)>;
    void ReadControls(const QList<QDomElement> &elements, const FindControl &find, const AddControl &add) const;
    std::unique_ptr<CQVSkinPaintRect> ReadPaint(const QDomElement &element) const;

    // "image", "css"...: the path beside the skin file, or empty when not
    // given or when it leads out of the skin file's folder.
    QString FilePath(const QDomElement &element, const QString &name) const;
    // Counts controls and paints of the skin being read against its bound.
    void CountItems(int count) const;

    QString m_folder;
    mutable int m_forms = 0; // of the skin being read
    mutable int m_items = 0;
};
