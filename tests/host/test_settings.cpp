// The settings layout reader and the rules of what OK writes, then the
// settings dialog offscreen on a bus with the settings storage and a plug-in
// that adds its own categories and records every write it hears.

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "host/SettingsDlg.h"
#include "host/SettingsLayout.h"
#include "plugins/xmpp/PluginBase.h"
#include "tests/host/FrameTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QAbstractSpinBox>
#include <QTest>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

QDomDocument Parse(const char *xml)
{
    QDomDocument document;
    EXPECT_TRUE(document.setContent(QByteArray(xml)));
    return document;
}

QStringList Keys(const std::vector<SettingRow> &rows)
{
    QStringList keys;
    for (const SettingRow &row : rows)
        keys << (row.type == SettingType::Label ? QStringLiteral("label:") + row.label : row.key);
    return keys;
}

} // namespace

TEST(SettingsLayout, ReadsNestedCategoriesAndFlattensGroups)
{
    const QDomDocument document = Parse(R"(<settings>
      <category id="a" label="A">
        <layout>
          <label>Intro</label>
          <group id="g1" label="G1">
            <setting type="text" key="a.text"><label>&amp;Text:</label></setting>
            <group id="g2" label="G2">
              <separator/>
              <setting type="number" key="a.number" default="7" from="60" to="5"><label>N</label></setting>
            </group>
            <unknown/>
            <setting type="colour" key="a.colour"><label>C</label></setting>
            <setting type="text"><label>No key</label></setting>
          </group>
          <setting type="select" key="a.select" default="2">
            <label>S</label><option value="1">One</option><option value="2">Two</option><option value="3">Three</option>
          </setting>
        </layout>
        <layout><label>A second layout is not read</label></layout>
        <category id="a.b" label="B"><category id="a.b.c" label="C"/></category>
      </category>
      <category id="d" label="D"/>
      <other/>
    </settings>)");

    const std::vector<SettingsCategory> roots = ReadSettingsLayout(document.documentElement());
    ASSERT_EQ(roots.size(), 2u);
    const SettingsCategory &a = roots[0];
    EXPECT_EQ(a.label, "A");
    EXPECT_EQ(Keys(a.rows), (QStringList{"label:Intro", "a.text", "a.number", "a.select"}));
    EXPECT_EQ(a.rows[1].label, "&Text:");
    EXPECT_EQ(a.rows[2].from, 5) << "a reversed range is put the right way round";
    EXPECT_EQ(a.rows[2].to, 60);
    const std::vector<SettingOption> &options = a.rows[3].options;
    ASSERT_EQ(options.size(), 3u);
    EXPECT_EQ(options[0].value, "3") << "options are listed last first";
    EXPECT_EQ(options[2].text, "One");
    ASSERT_EQ(a.children.size(), 1u);
    ASSERT_EQ(a.children[0].children.size(), 1u);
    EXPECT_EQ(a.children[0].children[0].id, "a.b.c");
    EXPECT_TRUE(roots[1].rows.empty());

    EXPECT_TRUE(ReadSettingsLayout(Parse("<layout><category id='x' label='X'/></layout>").documentElement()).empty());
    EXPECT_EQ(FileDialogFilters("Wav Files(*.wav)|*.wav|All Files(*.*)|*.*||"),
              (QStringList{"Wav Files(*.wav) (*.wav)", "All Files(*.*) (*.*)"}));
}

TEST(SettingsLayout, WhatOkWritesForEachKindOfRow)
{
    SettingRow text;
    text.type = SettingType::Text;
    SettingRow flag;
    flag.type = SettingType::Bool;
    SettingRow number;
    number.type = SettingType::Number;
    number.from = 1;
    number.to = 60;
    SettingRow select;
    select.type = SettingType::Select;
    select.options = {{"b", "B"}, {"a", "A"}};

    const struct
    {
        const char *name;
        const SettingRow &row;
        QVariant shown;
        QVariant current;
        QVariant written; // null: nothing written
    } cases[] = {
        {"text unchanged", text, "x", "x", {}},
        {"text emptied", text, "x", "", QString("")},
        {"bool unchanged", flag, true, true, {}},
        {"bool cleared", flag, true, false, false},
        {"number unchanged", number, 10, "10", {}},
        {"number changed", number, 10, "12", 12},
        {"number above its range", number, 10, "99", 60},
        {"number emptied", number, 10, "", 1},
        {"select unchanged", select, "a", "a", {}},
        {"select picked", select, "a", "b", "b"},
        {"select matching no option, none picked", select, "zzz", QVariant(), {}},
    };
    for (const auto &c : cases) {
        const std::optional<QVariant> written = SettingToWrite(c.row, c.shown, c.current);
        EXPECT_EQ(written.has_value(), !c.written.isNull()) << c.name;
        if (written && !c.written.isNull()) {
            EXPECT_EQ(*written, c.written) << c.name;
            EXPECT_EQ(written->typeId(), c.written.typeId()) << c.name;
        }
    }
    EXPECT_EQ(NumberFromText("", 0, 60), 0);
    EXPECT_EQ(ShownValue(number, 500), 60) << "a stored number outside the range shows inside it";
    EXPECT_EQ(SettingDefault(flag).typeId(), QMetaType::Bool);
    EXPECT_EQ(SettingDefault(text), QString("")) << "never a null text";
}

namespace {

constexpr QUuid kRecorderId{0x5e771, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0x10};

// Adds a category with its own rows and a branch three deep, and notes every
// configuration write it hears.
class CLayoutPlugin : public CPluginBase
{
public:
    CLayoutPlugin() : CPluginBase(0, {}) {}
    const QUuid *GetId() const override { return &kRecorderId; }

    void BuildSettingsLayout(QDomDocument *document) override
    {
        const QDomElement chat = LayoutCategory(document->documentElement(), "chat", "Chat");
        const QDomElement group = LayoutGroup(chat, "chat.settings", "Chat settings");
        QDomElement mode = LayoutSetting(group, "&Mode:", "select", "chat.mode", "b");
        for (const char *value : {"a", "b"}) {
            QDomElement option = document->createElement("option");
            option.setAttribute("value", value);
            option.appendChild(document->createTextNode(QString::fromLatin1(value).toUpper()));
            mode.appendChild(option);
        }
        LayoutSetting(group, "&Idle:", "number", "chat.idle", "10").setAttribute("to", 60);
        LayoutCategory(LayoutCategory(chat, "chat.one", "One"), "chat.two", "Two");
    }
    void OnSettingChanged(const QString &key, const QVariant &value) override
    {
        writes << QStringLiteral("%1=%2 (%3)").arg(key, value.toString(), QString::fromLatin1(value.typeName()));
    }

    QStringList writes;
};

class SettingsDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // A stored mode that none of the options has.
        QSettings(SettingsFile(), QSettings::IniFormat).setValue("Values/chat.mode", "zzz");
        bus = std::make_unique<CManager>(m_dir.path());
        bus->SetPreDispatchHandler(nullptr);
        ASSERT_TRUE(bus->AddPlugin(new CRegSettingsStoragePlugin(SettingsFile()), PLUGIN_ORDER_SETTINGS_STORAGE));
        plugin = new CLayoutPlugin;
        ASSERT_TRUE(bus->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT));
    }

    QString SettingsFile() const { return m_dir.filePath("Quelvar.conf"); }

    std::unique_ptr<CSettingsDlg> Open(const QString &layoutFile = QString())
    {
        auto dialog = std::make_unique<CSettingsDlg>(bus.get(), nullptr, layoutFile);
        dialog->show();
        return dialog;
    }

    template <typename T>
    T *Row(CSettingsDlg &dialog, const char *key)
    {
        T *row = dialog.findChild<T *>(QString::fromLatin1(key));
        EXPECT_TRUE(row) << key;
        return row;
    }

    std::unique_ptr<CManager> bus;
    CLayoutPlugin *plugin = nullptr; // owned by the bus

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SettingsDialog, TreeOfTheHostAndPlugInCategories)
{
    auto dialog = Open();
    ASSERT_TRUE(dialog->IsLoaded());
    QTreeWidget *tree = dialog->Tree();
    // Each item indented by its depth, "+" when open.
    QStringList items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem *p = (*it)->parent(); p; p = p->parent())
            ++depth;
        items << QString(depth, QLatin1Char(' ')) + (*it)->text(0) + ((*it)->isExpanded() ? "+" : "");
    }
    EXPECT_EQ(items, (QStringList{"Notifications+", " New Caller+", " New Message+", " New Visitor+", "Chat+",
                                  " One+", "  Two+"}));
    QTreeWidgetItem *notifications = tree->topLevelItem(0);
    EXPECT_EQ(tree->currentItem(), notifications);
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    const auto labelOf = [&](const char *text) {
        const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->text() == text; });
        return it == labels.end() ? nullptr : *it;
    };
    ASSERT_TRUE(labelOf("Select a category to view and modify settings"));
    EXPECT_TRUE(labelOf("Select a category to view and modify settings")->isVisible());

    // The New Caller page with the layout's defaults.
    tree->setCurrentItem(notifications->child(0));
    auto *flashTray = Row<QCheckBox>(*dialog, "application.newcaller.flashtray");
    ASSERT_TRUE(flashTray && flashTray->isVisible());
    EXPECT_EQ(flashTray->text(), "&Flash tray:");
    EXPECT_TRUE(flashTray->isChecked());
    EXPECT_FALSE(Row<QCheckBox>(*dialog, "application.newcaller.flashwindow")->isChecked());
    auto *sound = Row<QWidget>(*dialog, "application.newcaller.soundfile");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->findChild<QLineEdit *>()->text(), "newcall.wav");
    const auto buddyOfSound = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == sound; });
    ASSERT_NE(buddyOfSound, labels.end()) << "the mnemonic moves to the edit";
    EXPECT_EQ((*buddyOfSound)->text(), "S&ound File:");
    EXPECT_FALSE(Row<QCheckBox>(*dialog, "application.newmsg.flashtray")->isChecked());

    auto *mode = Row<QComboBox>(*dialog, "chat.mode");
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->currentIndex(), -1) << "the stored value matches no option";
    EXPECT_EQ(mode->itemText(0), "B");
    EXPECT_EQ(Row<QAbstractSpinBox>(*dialog, "chat.idle")->text(), "10");
    hosttest::SaveForReview(dialog.get(), "settings-dialog.png");
}

TEST_F(SettingsDialog, OkWritesOnlyWhatChangedAndCancelNothing)
{
    auto dialog = Open();
    dialog->accept();
    EXPECT_TRUE(plugin->writes.isEmpty()) << plugin->writes.join(", ").toStdString();

    dialog = Open();
    Row<QCheckBox>(*dialog, "application.newcaller.flashtray")->setChecked(false);
    Row<QAbstractSpinBox>(*dialog, "chat.idle")->findChild<QLineEdit *>()->setText("12");
    dialog->reject();
    EXPECT_TRUE(plugin->writes.isEmpty());

    dialog = Open();
    Row<QCheckBox>(*dialog, "application.newcaller.flashtray")->setChecked(false);
    dialog->accept();
    EXPECT_EQ(plugin->writes, QStringList{"application.newcaller.flashtray=false (bool)"});
    EXPECT_EQ(bus->GetSetting("application.newcaller.flashtray", true), QVariant(false));

    plugin->writes.clear();
    dialog = Open();
    EXPECT_FALSE(Row<QCheckBox>(*dialog, "application.newcaller.flashtray")->isChecked()) << "read back";
    Row<QComboBox>(*dialog, "chat.mode")->setCurrentIndex(1);
    Row<QAbstractSpinBox>(*dialog, "chat.idle")->findChild<QLineEdit *>()->setText("12");
    dialog->accept();
    EXPECT_EQ(plugin->writes, (QStringList{"chat.mode=a (QString)", "chat.idle=12 (int)"}));
}

TEST_F(SettingsDialog, ANumberLeftEmptyWritesZero)
{
    auto dialog = Open();
    dialog->activateWindow();
    QTreeWidget *tree = dialog->Tree();
    tree->setCurrentItem(tree->findItems("Chat", Qt::MatchExactly).value(0));
    auto *number = Row<QAbstractSpinBox>(*dialog, "chat.idle");
    ASSERT_TRUE(number && number->isVisible());
    number->setFocus();
    QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(number, Qt::Key_Backspace);
    number->clearFocus();
    EXPECT_EQ(number->text(), "") << "leaving the edit keeps it empty";
    number->setFocus();
    QTest::keyClick(number, Qt::Key_Return); // the dialog's OK
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(plugin->writes, QStringList{"chat.idle=0 (int)"});
}

TEST_F(SettingsDialog, AHugeLayoutFitsTheScreenAndDeepNestingIsCut)
{
    // A page of 80 rows, and a branch 5,000 categories deep.
    QString rows;
    for (int i = 0; i < 80; ++i)
        rows += QStringLiteral("<setting type=\"text\" key=\"big.%1\"><label>Row %1</label></setting>").arg(i);
    const int deep = 5000;
    const QString layout = QStringLiteral("<settings><category id=\"big\" label=\"Big\"><layout>") + rows
        + QStringLiteral("</layout></category>") + QStringLiteral("<category id=\"d\" label=\"D\">").repeated(deep)
        + QStringLiteral("</category>").repeated(deep) + QStringLiteral("</settings>");
    QTemporaryDir dir;
    QFile file(dir.filePath("layout.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(layout.toUtf8()) > 0);
    file.close();

    auto dialog = Open(file.fileName());
    ASSERT_TRUE(dialog->IsLoaded());
    int depth = 0;
    for (QTreeWidgetItem *item = dialog->Tree()->topLevelItem(1); item; item = item->child(0))
        ++depth;
    EXPECT_EQ(depth, 64);
    QCoreApplication::processEvents();
    const QRect screen = dialog->screen()->availableGeometry();
    EXPECT_LE(dialog->frameGeometry().height(), screen.height());
    auto *ok = dialog->findChild<QWidget *>("c1");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(screen.contains(QRect(ok->mapToGlobal(QPoint()), ok->size()))) << "OK stays on the screen";
}

TEST_F(SettingsDialog, ALayoutThatDoesNotLoadClosesAsCancelled)
{
    QTemporaryDir dir;
    QFile broken(dir.filePath("broken.xml"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<settings><category");
    broken.close();
    QFile empty(dir.filePath("empty.xml"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("<settings/>");
    empty.close();

    for (const QString &file : {broken.fileName(), dir.filePath("missing.xml")}) {
        CSettingsDlg dialog(bus.get(), nullptr, file);
        EXPECT_FALSE(dialog.IsLoaded()) << file.toStdString();
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_TRUE(CSettingsDlg(bus.get(), nullptr, empty.fileName()).IsLoaded()) << "the plug-in added a category";
    EXPECT_TRUE(plugin->writes.isEmpty());
}
