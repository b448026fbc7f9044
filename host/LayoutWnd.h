#pragma once
// One page of the settings dialog: the rows of one category, each a label
// column and a value control (or a line of text, or a check box across the
// row), laid out top to bottom. The label column is as wide as the page's
// widest label. The layout items keep the value each row showed at opening,
// so that saving writes only what the agent changed.
//
// User-interface thread only.

#include "host/SettingsLayout.h"

#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QGridLayout;

// Writes one configuration value (MSG_SET_SETTING).
using SettingWriter = std::function<void(const QString &key, const QVariant &value)>;

// A row of a page.
class ILayoutItem
{
public:
    virtual ~ILayoutItem() = default;
    // Makes the row's controls on the grid's page, in the given grid row.
    virtual void Create(QGridLayout *grid, int row) = 0;
    // Writes the row's value when the agent changed it.
    virtual void Save(const SettingWriter &) {}
};

// A line of static text.
class CLabelLayoutItem : public ILayoutItem
{
public:
    explicit CLabelLayoutItem(const QString &text) : m_text(text) {}
    void Create(QGridLayout *grid, int row) override;

private:
    QString m_text;
};

// A row with its label in the label column and a value control beside it;
// the label is the control's buddy, so its mnemonic moves the focus there.
class CValueLayoutItem : public ILayoutItem
{
public:
    // shown: the value the control shows at opening (ShownValue).
    CValueLayoutItem(const SettingRow &row, const QVariant &shown) : m_row(row), m_shown(shown) {}
    void Create(QGridLayout *grid, int row) override;
    void Save(const SettingWriter &write) override;

    // The control, a child of parent, named after the setting's key; its
    // focus proxy (if any) takes the label's mnemonic.
    virtual QWidget *CreateValueControl(QWidget *parent) = 0;
    // What the control holds now, as SettingToWrite wants it.
    virtual QVariant GetValue() const = 0;

protected:
    SettingRow m_row;
    QVariant m_shown;
};

// A check box whose own text is the label, across the whole row.
class CBoolLayoutItem : public ILayoutItem
{
public:
    CBoolLayoutItem(const SettingRow &row, bool shown) : m_row(row), m_shown(shown) {}
    void Create(QGridLayout *grid, int row) override;
    void Save(const SettingWriter &write) override;

private:
    SettingRow m_row;
    bool m_shown;
    QCheckBox *m_box = nullptr;
};

// The row of a layout row; a setting shows `stored`, the value that
// MSG_GET_SETTING gave for it.
std::unique_ptr<ILayoutItem> MakeLayoutItem(const SettingRow &row, const QVariant &stored);

class CLayoutWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CLayoutWnd(QWidget *parent = nullptr);
    ~CLayoutWnd() override;

    // Takes ownership; rows appear in the order they are added.
    void AddItem(std::unique_ptr<ILayoutItem> item);
    // Makes every row's controls; once only.
    void CreateItems();
    bool IsReady() const { return m_ready; }
    void Save(const SettingWriter &write);

private:
    std::vector<std::unique_ptr<ILayoutItem>> m_items;
    QGridLayout *m_grid;
    bool m_ready = false;
};
