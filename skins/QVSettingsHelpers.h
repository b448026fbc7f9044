#pragma once
// Window state that is not a configuration value (list column widths, splitter
// sizes) lives in the program's settings file, one section per window. This
// class names those sections and keeps the column widths of list views.
// User-interface thread only.

#include "skins/FaycelExport.h"

#include <QString>

#include <memory>

class QHeaderView;
class QSettings;

class FAYCEL_EXPORT CQVSettingsHelpers
{
public:
    // The settings path of a window's section, ending with a separator so that
    // callers append their key: "Tessary\\Chat" gives "Tessary/Chat/".
    static QString GetProfileName(const QString &section);

    // Sets the header's section widths from the section's "ColumnWidths", column
    // 0 first; stored widths beyond the last column are ignored, and nothing
    // changes when nothing was saved.
    static void LoadState(QHeaderView *header, const QString &section);
    // Writes the current width of every column as "ColumnWidths".
    static void SaveState(const QHeaderView *header, const QString &section);

    // The window-state store. The caller owns the result.
    static std::unique_ptr<QSettings> OpenStore();
    // Writes the store's pending changes and keeps its file owner-only (it may
    // hold the remembered password); false when the file could not be written.
    static bool CommitStore(QSettings &store);
    // Points the store at another INI file (tests); empty restores the program's file.
    static void SetStoreFile(const QString &path);
};
