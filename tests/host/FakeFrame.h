#pragma once
// An IUIFrame that records what the user-interface plug-in asks of the
// frame, in the same journal as the probes, so tests see the order.

#include "bus/Payloads.h"
#include "host/UIFrame.h"

#include <QStringList>
#include <QWidget>

#include <vector>

namespace hosttest {

class FakeFrame : public IUIFrame
{
public:
    explicit FakeFrame(QStringList *journal = nullptr) : m_journal(journal) {}

    QWidget *ViewParent() override { return &view; }
    QWidget *BarParent() override { return &bar; }
    QWidget *Window() override { return &window; }
    bool AddBarPage(QWidget *page, const QString &title, const QIcon &, const QIcon &) override
    {
        pages.push_back(page);
        Note(QStringLiteral("page ") + title);
        return true;
    }
    void RemoveBarPage(QWidget *page) override { std::erase(pages, page); }
    void SetMenu(const QVPlugin::MenuSpec &items) override
    {
        menu = items;
        ++menuBuilds;
        Note(QStringLiteral("menu"));
    }
    void SetAccelerators(const QVPlugin::AcceleratorTable &table) override { accelerators = table; }
    void SaveWorkspace(const QString &section) override { Note(QStringLiteral("save ") + section); }
    void LoadWorkspace(const QString &section) override { Note(QStringLiteral("load ") + section); }
    void SetRedraw(bool on) override { Note(on ? QStringLiteral("redraw on") : QStringLiteral("redraw off")); }
    void Alert(const QVPlugin::AlertInfo &) override {}
    void SetFlashing(bool) override {}
    void SetConnectionState(int) override {}
    void PostConnectionLost(bool retryAllowed) override { lost.push_back(retryAllowed); }

    void Note(const QString &entry)
    {
        if (m_journal)
            *m_journal << QStringLiteral("frame:") + entry;
    }

    QWidget view;
    QWidget bar;
    QWidget window;
    std::vector<QWidget *> pages;
    QVPlugin::MenuSpec menu;
    int menuBuilds = 0;
    QVPlugin::AcceleratorTable accelerators;
    std::vector<bool> lost;

private:
    QStringList *m_journal;
};

} // namespace hosttest
