// The knowledge-base client on the wire, against the generated test server
// and a raw responder on 127.0.0.1.

#include "plugins/kbservice/KBClient.h"
#include "tests/harness/KBServiceMock.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace QVPlugin;
using harness::KBServiceMock;
using harness::RawHttpResponder;

namespace {

const std::string kNs = "http://kb.quelvar.example/";

class KBWire : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(raw.Start());
        client.SetAccountId("acc-1");
        client.SetAccountKey("");
        client.SetServiceUrl(raw.Url());
    }

    std::string LastRequest() const
    {
        const auto requests = raw.Requests();
        return requests.empty() ? std::string() : requests.back();
    }

    RawHttpResponder raw;
    CKBClient client;
};

// The same answer with chunked transfer: 7-byte chunks, which split the
// references between chunks.
std::string Chunked(const std::string &response)
{
    const size_t headEnd = response.find("\r\n\r\n");
    std::string head = response.substr(0, headEnd + 2);
    const size_t length = head.find("Content-Length:");
    head.replace(length, head.find("\r\n", length) - length, "Transfer-Encoding: chunked");
    std::string out = head + "\r\n";
    const std::string body = response.substr(headEnd + 4);
    for (size_t at = 0; at < body.size(); at += 7) {
        const std::string piece = body.substr(at, 7);
        out += std::to_string(piece.size()) + "\r\n" + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

} // namespace

TEST_F(KBWire, RequestHeadersAndFindBody)
{
    raw.SetSoapBody("<FindResponse xmlns=\"" + kNs + "\"/>");
    EXPECT_FALSE(client.FindArticles({0, "", "", "", false})); // no FindResult: no answer
    const std::string request = LastRequest();
    // What gSOAP 2.8 sends: its own User-Agent, and the action both in the
    // Content-Type and in a SOAPAction header after the others.
    EXPECT_EQ(request.rfind("POST /kb.asmx HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nContent-Type: application/soap+xml; charset=utf-8; action=\"" + kNs + "Find\"\r\n"),
              std::string::npos) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: gSOAP/2.8\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nConnection: close\r\nSOAPAction: \"" + kNs + "Find\"\r\n\r\n"), std::string::npos)
        << request;
    // Every child, empty ones too (as empty elements), in schema order; both lists even when empty.
    EXPECT_NE(request.find("<ns1:Find><ns1:account_number>acc-1</ns1:account_number><ns1:attributes></ns1:attributes>"
                           "<ns1:values></ns1:values><ns1:key/></ns1:Find>"),
              std::string::npos) << request;
    // Every prefix of the table, in its order.
    const char *const prefixes[] = {"xmlns:SOAP-ENV=", "xmlns:SOAP-ENC=", "xmlns:xsi=", "xmlns:xsd=",
                                    "xmlns:ns2=", "xmlns:ns1=", "xmlns:ns3="};
    size_t at = 0;
    for (const char *p : prefixes) {
        const size_t next = request.find(p, at);
        EXPECT_NE(next, std::string::npos) << p;
        at = next == std::string::npos ? at : next;
    }
}

TEST_F(KBWire, ArticleOutInUtf8WithDates)
{
    raw.SetSoapBody("<AddResponse xmlns=\"" + kNs + "\"><AddResult>77</AddResult></AddResponse>");
    KBArticle article;
    article.title = "caf\xC3\xA9";
    article.text = "never sent";
    article.dateAdded = 1234567890;
    std::string newId = "given";
    EXPECT_EQ(client.AddArticle(article, newId), RESULT_DONE);
    EXPECT_EQ(newId, "77");
    const std::string request = LastRequest();
    EXPECT_NE(request.find("<ns1:article><ns1:keywords/><ns1:category_id>0</ns1:category_id>"
                           "<ns1:title>caf\xC3\xA9</ns1:title><ns1:content/><ns1:id/>"
                           "<ns1:status/><ns1:date_added>2009-02-13T23:31:30Z</ns1:date_added>"
                           "<ns1:date_modifed>1970-01-01T00:00:00Z</ns1:date_modifed></ns1:article>"),
              std::string::npos) << request;
    EXPECT_EQ(request.find("never sent"), std::string::npos);
}

TEST_F(KBWire, AnswersReadLeniently)
{
    struct Case
    {
        const char *name;
        std::string body;
        bool ok;
        KBArticle expected;
        bool chunked = false; // the answer in small chunks instead of with a length
    };
    KBArticle reordered;
    reordered.id = "9";
    reordered.title = "\xE2\x82\xAC price";
    reordered.dateModified = 1234567890;
    reordered.categoryId = 4;
    KBArticle latin;
    latin.title = "\xC3\x83\xC2\xA9 and \xC3\x82\xC2\xA3"; // "Ã© and Â£", not "é and £"
    KBArticle astral;
    astral.title = "\xF0\x9F\x98\x80|\xF0\x9F\x98\x80|\xF0\x90\x80\x80|<|&#128512;"; // U+1F600 twice, U+10000
    const Case cases[] = {
        {"reordered, unknown and misspelt children",
         "<GetArticleResponse xmlns=\"" + kNs + "\"><GetArticleResult><title>\xE2\x82\xAC price</title><extra>x</extra>"
         "<date_modified>2001-01-01T00:00:00Z</date_modified><date_modifed>2009-02-13T23:31:30Z</date_modifed>"
         "<category_id>4</category_id><id>9</id></GetArticleResult></GetArticleResponse>",
         true, reordered},
        {"Latin text that looks double-encoded is kept",
         "<GetArticleResponse xmlns=\"" + kNs + "\"><GetArticleResult><title>\xC3\x83\xC2\xA9 and \xC3\x82\xC2\xA3</title>"
         "</GetArticleResult></GetArticleResponse>",
         true, latin},
        {"references beyond U+FFFF, a padded one, and one in CDATA",
         "<GetArticleResponse xmlns=\"" + kNs + "\"><GetArticleResult><title>&#128512;|&#x1F600;|&#65536;|&#0000060;|"
         "<![CDATA[&#128512;]]></title></GetArticleResult></GetArticleResponse>",
         true, astral},
        {"the same in chunks",
         "<GetArticleResponse xmlns=\"" + kNs + "\"><GetArticleResult><title>&#128512;|&#x1F600;|&#65536;|&#0000060;|"
         "<![CDATA[&#128512;]]></title></GetArticleResult></GetArticleResponse>",
         true, astral, true},
        {"no result", "<GetArticleResponse xmlns=\"" + kNs + "\"/>", false, {}},
        {"wrong response element", "<FindResponse xmlns=\"" + kNs + "\"/>", false, {}},
        {"SOAP fault",
         "<soap:Fault><soap:Code><soap:Value>soap:Sender</soap:Value></soap:Code><soap:Reason><soap:Text "
         "xml:lang=\"en\">No</soap:Text></soap:Reason></soap:Fault>",
         false, {}},
    };
    for (const Case &c : cases) {
        raw.SetSoapBody(c.body);
        if (c.chunked)
            raw.SetResponse(Chunked(raw.Response()));
        const std::optional<KBArticle> got = client.GetArticle("9");
        ASSERT_EQ(got.has_value(), c.ok) << c.name << ": " << client.LastError();
        if (!got)
            continue;
        EXPECT_EQ(got->id, c.expected.id) << c.name;
        EXPECT_EQ(got->title, c.expected.title) << c.name;
        EXPECT_EQ(got->categoryId, c.expected.categoryId) << c.name;
        EXPECT_EQ(got->dateModified, c.expected.dateModified) << c.name;
        EXPECT_EQ(got->dateAdded, 0) << c.name;
        EXPECT_TRUE(got->text.empty()) << c.name;
    }
}

TEST_F(KBWire, FindSkipsNilItemsAndCleansExcerpts)
{
    raw.SetSoapBody("<FindResponse xmlns=\"" + kNs + "\"><FindResult><kbarticlelocation xsi:nil=\"true\"/>"
                    "<kbarticlelocation><category_id>2</category_id><id>5</id><text>a&amp;amp;b</text>"
                    "<content>a&amp;amp;b</content></kbarticlelocation></FindResult></FindResponse>");
    const auto hits = client.FindArticles({});
    ASSERT_TRUE(hits);
    ASSERT_EQ(hits->size(), 1u);
    EXPECT_EQ((*hits)[0].id, "5");
    EXPECT_EQ((*hits)[0].categoryId, 2);
    EXPECT_EQ((*hits)[0].text, "a b");
    EXPECT_EQ((*hits)[0].content, "a&amp;b");

    raw.SetSoapBody("<FindResponse xmlns=\"" + kNs + "\"><FindResult/></FindResponse>");
    const auto none = client.FindArticles({});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST_F(KBWire, TransportFailuresAreErrors)
{
    raw.SetResponse("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(client.DeleteEntity("ARTICLE", "1"), RESULT_REFUSED);

    RawHttpResponder closed;
    ASSERT_TRUE(closed.Start());
    const std::string refusedUrl = closed.Url();
    closed.Stop();
    client.SetServiceUrl(refusedUrl);
    EXPECT_EQ(client.DeleteEntity("ARTICLE", "1"), RESULT_REFUSED);
}

TEST_F(KBWire, AnswersTheClientRefusesOrTakes)
{
    const std::string status = "<GetStatusListResponse xmlns=\"" + kNs + "\"><GetStatusListResult><kbstatus>"
                               "<status>S&#x1F600;</status></kbstatus></GetStatusListResult></GetStatusListResponse>";
    raw.SetSoapBody(status);
    const std::string ok = raw.Response();
    raw.SetSoapBody("<GetStatusListResponse xmlns=\"" + kNs + "\"><GetStatusListResult><kbstatus><status>"
                    + std::string(17 << 20, 'x') + "</status></kbstatus></GetStatusListResult></GetStatusListResponse>");
    const std::string huge = raw.Response();
    raw.SetSoapBody("<GetStatusListResponse xmlns=\"" + kNs + "\"><GetStatusListResult><kbstatus>"
                    "<status>&#x110000;</status></kbstatus></GetStatusListResult></GetStatusListResponse>");
    const std::string beyond = raw.Response();
    std::string https = raw.Url();
    https.replace(0, 4, "https");
    const struct
    {
        const char *name;
        std::string url;
        std::string response;
        const char *error; // empty: the call succeeds
        size_t requests;
    } cases[] = {
        {"an https address is never called in clear", https, ok, "only http:// addresses", 0},
        {"an answer over 16 MiB", raw.Url(), huge, "larger than 16 MiB", 1},
        {"a reference that is no character", raw.Url(), beyond, "not an XML character", 1},
        {"an interim answer first", raw.Url(), "HTTP/1.1 102 Processing\r\n\r\n" + ok, "", 1},
        {"in chunks", raw.Url(), Chunked(ok), "", 1},
    };
    size_t before = 0;
    for (const auto &c : cases) {
        client.SetServiceUrl(c.url);
        raw.SetResponse(c.response);
        const auto got = client.GetStatusList();
        EXPECT_EQ(got.has_value(), !*c.error) << c.name << ": " << client.LastError();
        EXPECT_NE(client.LastError().find(c.error), std::string::npos) << c.name << ": " << client.LastError();
        if (got) {
            ASSERT_EQ(got->size(), 1u) << c.name;
            EXPECT_EQ((*got)[0].status, "S\xF0\x9F\x98\x80") << c.name;
        }
        EXPECT_EQ(raw.Requests().size() - before, c.requests) << c.name;
        before = raw.Requests().size();
    }
}

TEST_F(KBWire, SilentServerGivesUpWithinTheTimeout)
{
    raw.SetResponse("");
    client.SetCallLimit(std::chrono::seconds(1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.GetStatusList());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(KBOperations, AgainstTheService)
{
    KBServiceMock service;
    ASSERT_TRUE(service.Start());
    service.AddCannedData();
    CKBClient client;
    client.SetServiceUrl(service.Url());

    // Account number and key travel even when empty.
    ASSERT_TRUE(client.GetCategories());
    EXPECT_EQ(service.Requests().back().fields,
              (std::vector<std::pair<std::string, std::string>>{{"account_number", ""}, {"key", ""}}));
    client.SetAccountId("acc-1");
    client.SetAccountKey("k");

    const auto statuses = client.GetStatusList();
    ASSERT_TRUE(statuses);
    EXPECT_EQ(statuses->size(), 2u);
    const auto categories = client.GetCategories();
    ASSERT_TRUE(categories);
    ASSERT_EQ(categories->size(), 3u);
    EXPECT_EQ((*categories)[2].parentId, 2);
    EXPECT_EQ(service.Requests().back().action, kNs + "GetCategories");
    EXPECT_EQ(service.Requests().back().Field("key"), "k");

    const auto article = client.GetArticle("101");
    ASSERT_TRUE(article);
    EXPECT_EQ(article->title, "Changing the delivery address");
    EXPECT_EQ(article->dateAdded, 1234567890);
    EXPECT_EQ(article->dateModified, 1234567890 + 86400);
    EXPECT_EQ(article->keywords, "address order delivery");

    const auto hits = client.FindArticles({0, "", "", "return", true});
    ASSERT_TRUE(hits);
    ASSERT_EQ(hits->size(), 1u);
    EXPECT_EQ((*hits)[0].text, "Items can be returned within 30 days   free of charge.");
    EXPECT_EQ((*hits)[0].dateAdded, 0);

    KBArticle fresh;
    fresh.title = "New";
    std::string id;
    ASSERT_EQ(client.AddArticle(fresh, id), RESULT_DONE);
    EXPECT_EQ(service.Article(id).title, "New");
    service.SetOmitAddResult(true);
    std::string kept = "kept";
    EXPECT_EQ(client.AddArticle(fresh, kept), RESULT_DONE);
    EXPECT_EQ(kept, "kept");

    EXPECT_EQ(client.DeleteEntity("CATEGORY", "0"), RESULT_DONE);
    EXPECT_EQ(service.Requests().back().Field("entity"), "CATEGORY");
    EXPECT_EQ(service.Requests().back().Field("id"), "0");
    EXPECT_EQ(client.EditStatus({"Draft", {"Review", "d"}}), RESULT_DONE);
    EXPECT_EQ(service.Statuses()[0].status, "Review");
    EXPECT_EQ(client.EditCategory({2, 1, "Shipping"}), RESULT_DONE);
    EXPECT_EQ(service.Categories()[1].title, "Shipping");

    service.SetFailure(KBServiceMock::Failure::SoapFault);
    EXPECT_EQ(client.UpdateArticle(*article), RESULT_REFUSED);
    service.SetFailure(KBServiceMock::Failure::Http500);
    EXPECT_EQ(client.AddStatus({"X", ""}), RESULT_REFUSED);
    EXPECT_FALSE(client.GetStatusList());
}
