#pragma once
// The knowledge-base records that the editor and the service plug-in pass on
// the bus, and their payloads. Text fields are UTF-8; dates are seconds since
// 1970, UTC. Values: copies and clones are deep (a list payload owns its
// records). Each KB payload below names its own type, so a receiver can
// refuse a payload of the wrong type (KBPayloadAs) instead of misreading it.

#include "bus/QVPlugin.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace QVPlugin {

struct KBArticle
{
    std::string id; // empty until the service stored the article
    int categoryId = 0;
    std::string title;
    std::string content; // HTML
    // The search hit's excerpt, cleaned for display; only in search results,
    // never sent to the service. Holds "<" and ">": never put it into HTML.
    std::string text;
    std::string status;
    std::string keywords;
    std::int64_t dateAdded = 0;    // 0 in search results
    std::int64_t dateModified = 0; // 0 in search results
};

struct KBCategory
{
    int id = 0;
    int parentId = 0;
    std::string title;
};

// A status's name is its key.
struct KBStatus
{
    std::string status;
    std::string description;
};

// Each field that is set narrows the search; all empty is a valid search.
struct KBSearchParams
{
    int categoryId = 0; // 0 or less: any category
    std::string articleNumber;
    std::string status;
    std::string keywords;
    bool searchText = false;
};

// MSG_KB_UPDATE_STATUS: the status's current name and the new status.
using KBStatusChange = std::pair<std::string, KBStatus>;

// The payload of each KB message:
//   MSG_KB_ADD_ARTICLE in, MSG_KB_UPDATE_ARTICLE, MSG_KB_ARTICLE   KBArticleMessage
//   MSG_KB_ADD_CATEGORY, MSG_KB_UPDATE_CATEGORY                     KBCategoryMessage
//   MSG_KB_ADD_STATUS                                               KBStatusMessage
//   MSG_KB_UPDATE_STATUS                                            KBStatusChangeMessage
//   MSG_KB_FIND in                                                  KBSearchMessage
//   MSG_KB_FIND out (unused by the service)                         KBResultsOutMessage
//   MSG_KB_CATEGORIES, MSG_KB_STATUSES, MSG_KB_SEARCH_RESULTS       the list messages
//   MSG_KB_GET_ARTICLE, MSG_KB_ARTICLE_NOT_READ, MSG_KB_DELETE_ARTICLE,
//   MSG_KB_DELETE_STATUS, MSG_KB_ADD_ARTICLE out                    QVMessage<std::string>
//   MSG_KB_DELETE_CATEGORY                                          QVMessage<int>
//   MSG_KB_REFRESH                                                  none
using KBArticleMessage = QVMessage<KBArticle>;
using KBCategoryMessage = QVMessage<KBCategory>;
using KBStatusMessage = QVMessage<KBStatus>;
using KBStatusChangeMessage = QVMessage<KBStatusChange>;
using KBSearchMessage = QVMessage<KBSearchParams>;
using KBCategoriesMessage = QVMessage<std::vector<KBCategory>>;
using KBStatusesMessage = QVMessage<std::vector<KBStatus>>;
using KBArticlesMessage = QVMessage<std::vector<KBArticle>>;
// The pointee stays the sender's.
using KBResultsOutMessage = QVMessage<std::vector<KBArticle> *>;

template <>
inline const char *KBArticleMessage::GetTypeName() const { return "QVMessage<KBArticle>"; }
template <>
inline const char *KBCategoryMessage::GetTypeName() const { return "QVMessage<KBCategory>"; }
template <>
inline const char *KBStatusMessage::GetTypeName() const { return "QVMessage<KBStatus>"; }
template <>
inline const char *KBStatusChangeMessage::GetTypeName() const { return "QVMessage<KBStatusChange>"; }
template <>
inline const char *KBSearchMessage::GetTypeName() const { return "QVMessage<KBSearchParams>"; }
template <>
inline const char *KBCategoriesMessage::GetTypeName() const { return "QVMessage<KBCategory[]>"; }
template <>
inline const char *KBStatusesMessage::GetTypeName() const { return "QVMessage<KBStatus[]>"; }
template <>
inline const char *KBArticlesMessage::GetTypeName() const { return "QVMessage<KBArticle[]>"; }
template <>
inline const char *KBResultsOutMessage::GetTypeName() const { return "QVMessage<KBArticle[]*>"; }

// The payload as M when it is one; null for a missing payload or one of
// another type. The plain QVMessage<std::string> and QVMessage<int> share
// the contract's name "QVMessage" and are told apart from the KB payloads
// only. Payloads cross library boundaries, where RTTI does not.
template <typename M>
M *KBPayloadAs(IMessage *message)
{
    if (!message)
        return nullptr;
    const char *expected = M().GetTypeName();
    return std::strcmp(message->GetTypeName(), expected) == 0 ? static_cast<M *>(message) : nullptr;
}

} // namespace QVPlugin
