// Feeds arbitrary bytes to the knowledge-base client as the service's HTTP
// answer to a search and to an article read, through the answer reader as
// the client's transport does (the runtime's HTTP framing, the reference
// filter), and runs the text rules on what comes back. No network: the
// reader's raw bytes come from the input, in pieces whose size the first
// byte sets.

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

class InputReader : public CKBAnswerReader
{
public:
    InputReader(const uint8_t *data, size_t size)
        : m_data(data), m_size(size), m_piece(size ? size_t(data[0] % 64) + 1 : 1)
    {
    }
    void Rewind() { m_at = 0; }

protected:
    size_t ReceiveRaw(struct soap *, char *buffer, size_t length) override
    {
        const size_t n = std::min({length, m_piece, m_size - m_at});
        std::memcpy(buffer, m_data + m_at, n);
        m_at += n;
        return n;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_piece;
    size_t m_at = 0;
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
    InputReader reader(data, size);
    reader.Attach(&proxy);
    proxy.fopen = Open;
    proxy.fclose = Close;
    proxy.fsend = Send;
    proxy.recv_maxlength = 1 << 20;
    proxy.soap_endpoint = "http://127.0.0.1:1/kb.asmx";

    reader.Reset(&proxy);
    KBService::_ns1__Find find;
    KBService::_ns1__FindResponse found;
    if (proxy.Find(&find, found) == SOAP_OK && found.FindResult) {
        for (const auto *hit : found.FindResult->kbarticlelocation) {
            if (hit)
                Check(hit->text);
        }
    }
    proxy.destroy();

    reader.Rewind();
    reader.Reset(&proxy);
    KBService::_ns1__GetArticle get;
    KBService::_ns1__GetArticleResponse article;
    if (proxy.GetArticle(&get, article) == SOAP_OK && article.GetArticleResult) {
        Check(article.GetArticleResult->title);
        Check(article.GetArticleResult->content);
    }
    proxy.destroy();
    return 0;
}
