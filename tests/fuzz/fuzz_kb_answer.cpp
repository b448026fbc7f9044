// Feeds arbitrary bytes to the knowledge-base client as the service's HTTP
// answer to a search and to an article read, through the answer filter as
// the client's transport does, and runs the text rules on what comes back.
// No network: the context's transport reads from the input.

#include "plugins/kbservice/KBAnswerFilter.h"
#include "plugins/kbservice/KBText.h"
#include "plugins/kbservice/schema/KBNamespaces.h"

#include "KBServicekbSoap12Proxy.h"

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at;
};

SOAP_SOCKET Open(struct soap *soap, const char *, const char *, int)
{
    soap->socket = 3; // never used: every read and write is hooked
    return soap->socket;
}

int Close(struct soap *)
{
    return SOAP_OK;
}

int Send(struct soap *, const char *, size_t)
{
    return SOAP_OK;
}

size_t Receive(struct soap *soap, char *buffer, size_t length)
{
    auto *input = static_cast<Input *>(soap->user);
    const size_t n = std::min(length, input->size - input->at);
    std::memcpy(buffer, input->data + input->at, n);
    input->at += n;
    return n;
}

void Check(const std::string *text)
{
    if (text)
        (void)KBText::CleanSearchExcerpt(*text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KBService::kbSoap12Proxy proxy(SOAP_C_UTFSTRING, SOAP_C_UTFSTRING);
    soap_set_namespaces(&proxy, KBService::kNamespaces);
    proxy.fopen = Open;
    proxy.fclose = Close;
    proxy.fsend = Send;
    proxy.frecv = Receive;
    proxy.soap_endpoint = "http://127.0.0.1:1/kb.asmx";

    // The answer as the filter passes it on, received in two pieces split
    // where the first byte says.
    CKBAnswerFilter filter;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const size_t split = size ? data[0] % (size + 1) : 0;
    filter.Feed(bytes.substr(0, split));
    filter.Feed(bytes.substr(split));
    filter.Finish();
    std::string answer;
    char piece[4096];
    while (const size_t n = filter.Read(piece, sizeof piece))
        answer.append(piece, n);

    Input input{reinterpret_cast<const uint8_t *>(answer.data()), answer.size(), 0};
    proxy.user = &input;
    KBService::_ns1__Find find;
    KBService::_ns1__FindResponse found;
    if (proxy.Find(&find, found) == SOAP_OK && found.FindResult) {
        for (const auto *hit : found.FindResult->kbarticlelocation) {
            if (hit)
                Check(hit->text);
        }
    }
    proxy.destroy();

    input.at = 0;
    KBService::_ns1__GetArticle get;
    KBService::_ns1__GetArticleResponse article;
    if (proxy.GetArticle(&get, article) == SOAP_OK && article.GetArticleResult) {
        Check(article.GetArticleResult->title);
        Check(article.GetArticleResult->content);
    }
    proxy.destroy();
    return 0;
}
