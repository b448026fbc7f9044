#pragma once
// The settings layout: the XML document of categories, groups and settings
// that the host and every plug-in contribute ("settings" > "category" >
// "layout" > "group" / "label" / "separator" / "setting"), read into plain
// values for the settings dialog, and the rules that decide what the dialog
// shows for a stored value and what it writes back on OK.
//
// Pure functions; any thread.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <climits>
#include <optional>
#include <vector>

class QDomElement;

enum class SettingType { Label, Text, Password, Bool, Select, Number, File, Folder };

struct SettingOption
{
    QString value;
    QString text;
};

// One row of a page: a line of static text (type Label, the text in label)
// or a setting with a control.
struct SettingRow
{
    SettingType type = SettingType::Label;
    QString key;
    QString label;
    QString defaultText;
    QString filter; // "file" rows: description|pattern pairs
    int from = 0;   // "number" rows: the range, from <= to
    int to = INT_MAX;
    std::vector<SettingOption> options; // "select" rows, the last option first
};

// A category with its page's rows (groups flattened) and its sub-categories.
struct SettingsCategory
{
    QString id;
    QString label;
    std::vector<SettingRow> rows;
    std::vector<SettingsCategory> children;
};

// The categories directly below the "settings" root, in document order. A
// root of another name gives none; unknown elements and setting types, and
// settings without a key, give no row. Categories below the 64th level are
// left out.
std::vector<SettingsCategory> ReadSettingsLayout(const QDomElement &root);

// The row's "default" in the type its value is stored as: bool for "bool",
// int for "number", text otherwise. MSG_GET_SETTING asks with it.
QVariant SettingDefault(const SettingRow &row);

// What the row's control shows for a stored value: a bool, a number inside
// the row's range, or text.
QVariant ShownValue(const SettingRow &row, const QVariant &stored);

// The value OK writes for a row that showed `shown` and now holds `current`
// (the check state of a bool, the chosen option's value of a select - null
// while none is chosen - and the edit text of the others); nothing when the
// row is unchanged.
std::optional<QVariant> SettingToWrite(const SettingRow &row, const QVariant &shown, const QVariant &current);

// The integer of a number edit: empty or unreadable text is 0; the result is
// kept inside from..to.
int NumberFromText(const QString &text, int from, int to);

// A file filter of description|pattern pairs ("Wav Files(*.wav)|*.wav|...||")
// as file-dialog name filters ("Wav Files(*.wav) (*.wav)", ...).
QStringList FileDialogFilters(const QString &filter);
