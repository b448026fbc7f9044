#pragma once
// CLumoryPlugin: the knowledge-base editor plug-in and the editor's only way
// to the bus. It turns the windows' requests into knowledge-base messages
// for the service plug-in, keeps the last category and status lists, and
// hands every answer to the windows through its signals. A request returns
// the bus result and counts as done only above 0 (1 done, -1 failed, 0
// nobody answered). User-interface thread only.

#include "bus/KBPayloads.h"
#include "plugins/xmpp/PluginBase.h"

#include <QObject>
#include <QPointer>

#include <functional>

#include <set>
#include <string>
#include <vector>

// An open article editor frame as the plug-in sees it. The frame tells the
// plug-in with FrameClosed when it goes away.
class IArticleFrame
{
public:
    virtual ~IArticleFrame() = default;
    virtual QWidget *Window() = 0;
    // The id of the article being edited; empty until it is first saved.
    virtual std::string ArticleId() const = 0;
};

class CLumoryBar;
class CLumoryView;

class CLumoryPlugin : public QObject, public QVPlugin::CPluginBase
{
    Q_OBJECT
public:
    static constexpr int kMode = 14000;

    CLumoryPlugin();

    const QUuid *GetId() const override;
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    // Adds the search bar page and the preview view; false unless both were added.
    bool OnLoad() override;
    // Shows the view, adds the "Lumory" menu and refreshes the lists.
    void OnModeActivate(int mode) override;

    // Nothing is filled into results by the service: the answer arrives as
    // searchResults, addressed to the requester of the latest search that
    // the service took.
    int RequestSearch(const QVPlugin::KBSearchParams &params, std::vector<QVPlugin::KBArticle> *results,
                      QObject *requester = nullptr);
    int RequestArticle(const std::string &id);
    // The article, when it arrives, is previewed (then edited when both
    // were asked for). An id is kept only when the service took the request
    // and until its read failed, so a failed request never changes what a
    // later arrival does.
    int RequestArticlePreview(const std::string &id);
    int RequestArticleEdit(const std::string &id);
    // A new article (empty id) is added and takes the id the service gave;
    // a save the service took is announced with articleSaved.
    int SaveArticle(QVPlugin::KBArticle &article);

    // The deletes ask first; a declined question sends nothing and gives 0.
    int DeleteArticle(QWidget *owner, const std::string &id);
    int DeleteStatus(const std::string &name, QWidget *owner);
    int DeleteCategory(int id, const std::string &title, QWidget *owner);

    int AddCategory(const QVPlugin::KBCategory &category);
    int UpdateCategory(const QVPlugin::KBCategory &category);
    int AddStatus(const QVPlugin::KBStatus &status);
    int UpdateStatus(const QVPlugin::KBStatus &status, const std::string &oldName);
    int Refresh();
    // Asks for fresh lists and hands the cached ones out at once, so that
    // windows made since the last answer fill their lists.
    void RefreshAndHandOutLists();

    // Makes the editor frames; null when a frame cannot be made.
    using FrameFactory = std::function<IArticleFrame *(const QVPlugin::KBArticle &, CLumoryPlugin *)>;
    void SetFrameFactory(FrameFactory factory) { m_frameFactory = std::move(factory); }
    // Raises the open frame of the same article (ids compared exactly), or
    // opens a new one; a new article (empty id) always gets its own frame.
    void OpenArticleFrame(const QVPlugin::KBArticle &article);
    void NewArticle();
    void FrameClosed(IArticleFrame *frame);
    const std::vector<IArticleFrame *> &OpenFrames() const { return m_frames; }
    // Refused while an article frame is open: its text would be lost.
    bool CanExit() override;

    // Empty when no cached category has the id.
    QString GetCategoryTitle(int categoryId) const;
    const std::vector<QVPlugin::KBCategory> &Categories() const { return m_categories; }
    const std::vector<QVPlugin::KBStatus> &Statuses() const { return m_statuses; }

signals:
    void categoriesChanged(const std::vector<QVPlugin::KBCategory> &categories);
    void statusesChanged(const std::vector<QVPlugin::KBStatus> &statuses);
    // target: the window whose search the service took last; it alone shows them.
    void searchResults(const std::vector<QVPlugin::KBArticle> &articles, QObject *target);
    // Emitted after the preview and the editor had their turn.
    void articleArrived(const QVPlugin::KBArticle &article);
    void articleDeleted(const std::string &id);
    void articleSaved(const QVPlugin::KBArticle &article);
    // The article that a preview request asked for.
    void previewArticle(const QVPlugin::KBArticle &article);

private:
    bool Confirm(QWidget *owner, const QString &question);

    // Owned by the host's bar and view parents once added.
    QPointer<CLumoryBar> m_bar;
    QPointer<CLumoryView> m_view;
    QPointer<QObject> m_searchRequester;
    std::vector<QVPlugin::KBCategory> m_categories;
    std::vector<QVPlugin::KBStatus> m_statuses;
    FrameFactory m_frameFactory;
    std::vector<IArticleFrame *> m_frames;
    std::set<std::string> m_pendingOpen;
    std::set<std::string> m_pendingPreview;
};
