#pragma once
// The frame's layout state in the program's settings file, one section per
// use: "Workspace" for the frame itself, "Mode-<id>" for each mode. The file
// may also hold the remembered password, so it is made owner-only before
// anything is written to it. User-interface thread only.

#include <QByteArray>
#include <QString>

class CWorkspaceStore
{
public:
    // fileName: the INI file; empty = the user's settings file.
    explicit CWorkspaceStore(const QString &fileName = QString());

    // Replaces the section's window state; an empty geometry is left out.
    void Save(const QString &section, const QByteArray &state, const QByteArray &geometry = QByteArray());
    // One more value of the section, kept by Save.
    void SaveValue(const QString &section, const QString &key, const QByteArray &value);
    QByteArray Value(const QString &section, const QString &key) const;
    // Empty when the section holds none.
    QByteArray State(const QString &section) const;
    QByteArray Geometry(const QString &section) const;

private:
    bool Writable();
    QString m_fileName;
};
