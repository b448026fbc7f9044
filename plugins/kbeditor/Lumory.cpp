#include "plugins/kbeditor/Lumory.h"

#include "bus/MessageIds.h"
#include "plugins/kbeditor/LumoryBar.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "plugins/kbeditor/LumoryView.h"
#include "shared/Prompt.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>

using namespace QVPlugin;

namespace {

// Removes the first element that matches, as the service removed one.
template <typename T, typename Match>
void EraseFirst(std::vector<T> &list, Match match)
{
    const auto it = std::find_if(list.begin(), list.end(), match);
    if (it != list.end())
        list.erase(it);
}

// The bar page's icon: a closed book.
QIcon BarIcon()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 1.5));
    painter.setBrush(QColor(0x3a, 0x7b, 0xc8));
    painter.drawRoundedRect(QRectF(5.5, 3.5, 14, 17), 1.5, 1.5);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawLine(QPointF(8.5, 4), QPointF(8.5, 20));
    painter.drawLine(QPointF(11, 8.5), QPointF(17, 8.5));
    return QIcon(picture);
}

MenuSpec LumoryMenu()
{
    const auto item = [](unsigned id) { return MenuSpec::Command(id, LumoryString(id)); };
    return MenuSpec::Menu({MenuSpec::Popup(LumoryString(14003),
                                           {item(LumoryCommand::Search), MenuSpec::Separator(),
                                            item(LumoryCommand::NewArticle), item(LumoryCommand::EditArticle),
                                            item(LumoryCommand::DeleteArticle)})});
}

} // namespace

CLumoryPlugin::CLumoryPlugin()
    : CPluginBase(LumoryStringId::Name, &LumoryString)
{
    m_modes.push_back(kMode);
}

bool CLumoryPlugin::OnLoad()
{
    m_barIcon = BarIcon();
    const QString title = LumoryString(14003);
    auto *bar = new CLumoryBar(this);
    if (!AddBarPane(bar, title))
        return false;
    m_bar = bar;
    auto *view = new CLumoryView(this);
    if (!AddView(view, title))
        return false;
    m_view = view;
    return true;
}

const QUuid *CLumoryPlugin::GetId() const
{
    return &PLUGIN_GUID_KB_EDITOR;
}

// Each answer returns 2: later plug-ins may want it too.
int CLumoryPlugin::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id == MSG_KB_STATUSES) {
        if (auto *list = KBPayloadAs<KBStatusesMessage>(in)) {
            m_statuses = list->value;
            emit statusesChanged(m_statuses);
        }
        return 2;
    }
    if (id == MSG_KB_CATEGORIES) {
        if (auto *list = KBPayloadAs<KBCategoriesMessage>(in)) {
            m_categories = list->value;
            emit categoriesChanged(m_categories);
        }
        return 2;
    }
    if (id == MSG_KB_SEARCH_RESULTS) {
        if (auto *list = KBPayloadAs<KBArticlesMessage>(in)) {
            const std::vector<KBArticle> articles = list->value;
            emit searchResults(articles, m_searchRequester.data());
        }
        return 2;
    }
    if (id == MSG_KB_ARTICLE) {
        if (auto *message = KBPayloadAs<KBArticleMessage>(in)) {
            const KBArticle article = message->value;
            if (m_pendingPreview.erase(article.id))
                emit previewArticle(article);
            if (m_pendingOpen.erase(article.id))
                OpenArticleFrame(article);
            emit articleArrived(article);
        }
        return 2;
    }
    if (id == MSG_KB_ARTICLE_NOT_READ) {
        // The read failed: a later arrival of the same article answers another request.
        if (auto *message = KBPayloadAs<QVMessage<std::string>>(in)) {
            m_pendingPreview.erase(message->value);
            m_pendingOpen.erase(message->value);
        }
        return 2;
    }
    return CPluginBase::OnMessage(id, in, out);
}

void CLumoryPlugin::OnModeActivate(int mode)
{
    CPluginBase::OnModeActivate(mode);
    AddMenu(LumoryMenu());
    RefreshAndHandOutLists();
    if (m_bar)
        m_bar->setEnabled(true);
    if (m_view)
        m_view->setEnabled(true);
}

int CLumoryPlugin::RequestSearch(const KBSearchParams &params, std::vector<KBArticle> *results, QObject *requester)
{
    KBSearchMessage in(params);
    KBResultsOutMessage out(results);
    const int result = SendMessage(MSG_KB_FIND, &in, &out);
    if (result > 0)
        m_searchRequester = requester;
    return result;
}

int CLumoryPlugin::RequestArticle(const std::string &id)
{
    return SendValue(MSG_KB_GET_ARTICLE, id);
}

int CLumoryPlugin::RequestArticlePreview(const std::string &id)
{
    const int result = RequestArticle(id);
    if (result > 0)
        m_pendingPreview.insert(id);
    return result;
}

int CLumoryPlugin::RequestArticleEdit(const std::string &id)
{
    const int result = RequestArticle(id);
    if (result > 0)
        m_pendingOpen.insert(id);
    return result;
}

int CLumoryPlugin::SaveArticle(KBArticle &article)
{
    KBArticleMessage in(article);
    int result = 0;
    if (!article.id.empty()) {
        result = SendMessage(MSG_KB_UPDATE_ARTICLE, &in, nullptr);
    } else {
        QVMessage<std::string> out;
        result = SendMessage(MSG_KB_ADD_ARTICLE, &in, &out);
        if (result > 0)
            article.id = out.value;
    }
    if (result > 0)
        emit articleSaved(article);
    return result;
}

bool CLumoryPlugin::Confirm(QWidget *owner, const QString &question)
{
    PromptRequest request;
    request.text = question;
    request.icon = QMessageBox::Question;
    request.buttons = QMessageBox::Yes | QMessageBox::No;
    return CPrompt::Show(request, owner) == QMessageBox::Yes;
}

void CLumoryPlugin::RefreshAndHandOutLists()
{
    Refresh();
    emit categoriesChanged(m_categories);
    emit statusesChanged(m_statuses);
}

int CLumoryPlugin::DeleteArticle(QWidget *owner, const std::string &id)
{
    if (!Confirm(owner, LumoryString(14016)))
        return 0;
    const int result = SendValue(MSG_KB_DELETE_ARTICLE, id);
    if (result > 0)
        emit articleDeleted(id);
    return result;
}

int CLumoryPlugin::DeleteStatus(const std::string &name, QWidget *owner)
{
    if (!Confirm(owner, LumoryString(14020).arg(Utf8ToWide(name))))
        return 0;
    const int result = SendValue(MSG_KB_DELETE_STATUS, name);
    if (result > 0) {
        EraseFirst(m_statuses, [&](const KBStatus &s) { return s.status == name; });
        // The windows see the shortened lists at once; the next lists confirm them.
        RefreshAndHandOutLists();
    }
    return result;
}

int CLumoryPlugin::DeleteCategory(int id, const std::string &title, QWidget *owner)
{
    if (!Confirm(owner, LumoryString(14021).arg(Utf8ToWide(title))))
        return 0;
    const int result = SendValue(MSG_KB_DELETE_CATEGORY, id);
    if (result > 0) {
        EraseFirst(m_categories, [&](const KBCategory &c) { return c.id == id; });
        RefreshAndHandOutLists();
    }
    return result;
}

int CLumoryPlugin::AddCategory(const KBCategory &category)
{
    return SendValue(MSG_KB_ADD_CATEGORY, category);
}

int CLumoryPlugin::UpdateCategory(const KBCategory &category)
{
    return SendValue(MSG_KB_UPDATE_CATEGORY, category);
}

int CLumoryPlugin::AddStatus(const KBStatus &status)
{
    return SendValue(MSG_KB_ADD_STATUS, status);
}

int CLumoryPlugin::UpdateStatus(const KBStatus &status, const std::string &oldName)
{
    return SendValue(MSG_KB_UPDATE_STATUS, KBStatusChange(oldName, status));
}

int CLumoryPlugin::Refresh()
{
    return SendMessage(MSG_KB_REFRESH, nullptr, nullptr);
}

QString CLumoryPlugin::GetCategoryTitle(int categoryId) const
{
    for (const KBCategory &category : m_categories) {
        if (category.id == categoryId)
            return Utf8ToWide(category.title);
    }
    return QString();
}

void CLumoryPlugin::OpenArticleFrame(const KBArticle &article)
{
    if (!article.id.empty()) {
        for (IArticleFrame *frame : m_frames) {
            if (frame->ArticleId() == article.id) {
                frame->Window()->raise();
                frame->Window()->activateWindow();
                return;
            }
        }
    }
    IArticleFrame *frame = m_frameFactory ? m_frameFactory(article, this) : nullptr;
    if (!frame) {
        CPrompt::Error(QStringLiteral("Failed to create article document"));
        return;
    }
    m_frames.push_back(frame);
    frame->Window()->showNormal();
}

void CLumoryPlugin::NewArticle()
{
    KBArticle article;
    article.title = WideToUtf8(LumoryString(14017));
    article.status = "Draft";
    article.dateAdded = article.dateModified = QDateTime::currentSecsSinceEpoch();
    OpenArticleFrame(article);
}

void CLumoryPlugin::FrameClosed(IArticleFrame *frame)
{
    EraseFirst(m_frames, [frame](IArticleFrame *open) { return open == frame; });
}

bool CLumoryPlugin::CanExit()
{
    if (m_frames.empty())
        return true;
    QWidget *first = m_frames.front()->Window();
    first->raise();
    first->activateWindow();
    PromptRequest request;
    request.text = LumoryString(14012);
    request.icon = QMessageBox::Information;
    CPrompt::Show(request, first);
    return false;
}
