#pragma once
// CKBArticleDocument: one article in an editor frame, as last loaded or
// saved and as being edited. The frame hands it a way to pull the windows'
// text into the working copy before every comparison and save.
// User-interface thread only.

#include "bus/KBPayloads.h"

#include <QString>

#include <functional>

class CLumoryPlugin;

class CKBArticleDocument
{
public:
    using Puller = std::function<void(CKBArticleDocument &)>;

    // The plug-in is not owned and outlives the document.
    CKBArticleDocument(const QVPlugin::KBArticle &article, CLumoryPlugin *plugin);

    void SetPuller(Puller puller) { m_puller = std::move(puller); }
    void Pull();

    // The title goes into the working copy; the document title follows.
    void SetTitle(const QString &title);
    // "17 - Printer setup", or the title alone while there is no id.
    QString Title() const;

    // Pulls first. Id and dates are not compared: the service sets them.
    bool IsModified();
    // Pulls and sends the working copy (added when it has no id). Only a
    // request the service took makes it the saved copy.
    bool Save();

    QVPlugin::KBArticle &Working() { return m_working; }
    const QVPlugin::KBArticle &Working() const { return m_working; }
    const QVPlugin::KBArticle &Saved() const { return m_saved; }
    CLumoryPlugin *Plugin() const { return m_plugin; }

    static bool SameContent(const QVPlugin::KBArticle &a, const QVPlugin::KBArticle &b);

private:
    QVPlugin::KBArticle m_saved;
    QVPlugin::KBArticle m_working;
    CLumoryPlugin *m_plugin;
    Puller m_puller;
};
