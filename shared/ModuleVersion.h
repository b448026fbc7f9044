#pragma once
// Reads the version record that the build compiles into each deliverable as
// a Qt resource (cmake/OstrelVersionRecord.cmake): its file and product
// version numbers and its strings ("FILEVERSION", "CompanyName",
// "ProductName", "ProductVersion", "FileDescription").
//
// Threading: any thread; one object is not shared between threads.

#include <QJsonObject>
#include <QString>
#include <QVersionNumber>

class CModuleVersion
{
public:
    // module: a library's path, or a file name looked for in the program's
    // folder and then where QLibrary looks; empty means the running program.
    // False when the module does not load or carries no valid record;
    // everything read before is forgotten first.
    bool ReadVersionInfo(const QString &module = QString());

    // A string of the record; empty when absent or when nothing was read.
    QString GetValue(const QString &name) const;

    // Four numbers each; null when nothing was read.
    QVersionNumber FileVersion() const { return m_fileVersion; }
    QVersionNumber ProductVersion() const { return m_productVersion; }

private:
    bool ReadRecord(const QString &fileName);

    QVersionNumber m_fileVersion;
    QVersionNumber m_productVersion;
    QJsonObject m_strings;
};

// The running program's "FILEVERSION" with "." between the numbers; empty
// when the program's record cannot be read.
QString GetProgramVersion();

// ", " becomes "."; a text that already holds a "." has its ". " replaced
// instead, so "5, 0, 592, 2" and "5. 0. 592. 2" both give "5.0.592.2".
QString NormalizeVersionText(const QString &text);
