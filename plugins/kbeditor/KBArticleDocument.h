#pragma once
// CKBArticleDocument: one article in an editor frame, as last loaded or
// saved and as being edited. The frame hands it a way to pull the windows'
// text into the working copy before every comparison and save. The page
// that edits the body writes it in its own spelling (tag case, "<br>" for
// "<br/>", quoted attributes): the page's spelling of the saved body counts
// as the saved body, so that an article nobody touched is never modified.
// User-interface thread only.

#include "bus/KBPayloads.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class CLumoryPlugin;

class CKBArticleDocument
{
public:
    // False when the windows' text could not be read.
    using Puller = std::function<bool(CKBArticleDocument &)>;

    // The plug-in is not owned and outlives the document.
    CKBArticleDocument(const QVPlugin::KBArticle &article, CLumoryPlugin *plugin);

    void SetPuller(Puller puller) { m_puller = std::move(puller); }
    bool Pull();
    // The editing page was given this body and shows it so.
    void NoteShown(const std::string &given, const std::string &shown);

    // The title goes into the working copy; the document title follows.
    void SetTitle(const QString &title);
    // "17 - Printer setup", or the title alone while there is no id.
    QString Title() const;

    // Pulls first; a text that could not be read counts as modified. Id and
    // dates are not compared: the service sets them.
    bool IsModified();
    // Pulls and sends the working copy (added when it has no id). Only a
    // pull that read the windows and a request the service took make it the
    // saved copy.
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
    // The saved body as the editing page writes it, once the page showed it.
    std::optional<std::string> m_savedShown;
};
