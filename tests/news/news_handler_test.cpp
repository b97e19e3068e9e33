// The page's "nuvroV1" requests, end to end: sent as "m" page messages to
// real editors on the stand-in WebView2, handled on their UI threads, run on
// the store, and answered through web_ui_send_message to the page.
#include "news/news.h"

#include "tests/news/news_test_support.h"

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

using Replies = std::vector<std::string>;

class NewsHandlerTest : public NewsEditorTest {
protected:
    // The page of editor a (or b) sends "m " and text; the replies its page
    // got, while the other page got none.
    Replies send(const std::string& text, bool from_b = false)
    {
        NewsEditor& from = from_b ? b_ : a_;
        NewsEditor& other = from_b ? a_ : b_;
        from.take_replies();
        EXPECT_TRUE(from.page_says((L"m " + news_wide(text)).c_str())) << text;
        EXPECT_EQ(other.take_replies(), Replies{}) << text;
        return from.take_replies();
    }

    // Bytes a page can't send (not UTF-8): handed to the handler directly,
    // on this (the creator) thread.
    Replies send_raw(const char* text)
    {
        a_.take_replies();
        nuvro_handle_message(a_.host, text);
        return a_.take_replies();
    }

    std::string stored(const std::string& rel)
    {
        std::string raw;
        return news_raw_file(store(rel), &raw) ? raw : "<absent>";
    }
};

TEST_F(NewsHandlerTest, InitOnFreshAccountOnlyEndsAndCreatesNothing)
{
    EXPECT_EQ(send("nuvroV1 init brolt"), Replies{"nuvroV1 initDone "});
    EXPECT_EQ(news_entry_count(appdata_), 0);
}

TEST_F(NewsHandlerTest, InitSendsEveryStoredTextThenDone)
{
    EXPECT_EQ(send("nuvroV1 newSid sid-1234"), Replies{});
    EXPECT_EQ(send("nuvroV1 init brolt"),
              (Replies{"nuvroV1 initSid sid-1234", "nuvroV1 initDone "}));

    EXPECT_EQ(send("nuvroV1 syncNewsForce tagN0001 news\ntext"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncLatestForce brolt tagL0001 1.2.0"), Replies{});
    EXPECT_EQ(send("nuvroV1 init brolt"),
              (Replies{"nuvroV1 initSid sid-1234", "nuvroV1 initNews tagN0001 news\ntext",
                       "nuvroV1 initLatest tagL0001 1.2.0", "nuvroV1 initDone "}));
    // Another product has no latest record yet.
    EXPECT_EQ(send("nuvroV1 init other"),
              (Replies{"nuvroV1 initSid sid-1234", "nuvroV1 initNews tagN0001 news\ntext",
                       "nuvroV1 initDone "}));

    // An empty file still counts as existing.
    EXPECT_EQ(send("nuvroV1 newSid "), Replies{});
    EXPECT_EQ(stored("nuvro-system"), "");
    EXPECT_EQ(send("nuvroV1 init other"),
              (Replies{"nuvroV1 initSid ", "nuvroV1 initNews tagN0001 news\ntext",
                       "nuvroV1 initDone "}));
}

TEST_F(NewsHandlerTest, InitWithoutProductIdSendsNothing)
{
    EXPECT_EQ(send("nuvroV1 newSid sid"), Replies{});
    EXPECT_EQ(send("nuvroV1 init "), Replies{});
}

TEST_F(NewsHandlerTest, GetNewsAnswersWithTheNewsOrNothingBehindThePrefix)
{
    EXPECT_EQ(send("nuvroV1 getNews "), Replies{"nuvroV1 getNews "});
    EXPECT_EQ(news_entry_count(appdata_), 0);
    EXPECT_EQ(send("nuvroV1 syncNewsForce tagN0001 hello\n"), Replies{});
    EXPECT_EQ(stored("nuvro-news"), "tagN0001 hello\r\n");
    EXPECT_EQ(send("nuvroV1 getNews whatever follows"),
              Replies{"nuvroV1 getNews tagN0001 hello\n"});
}

TEST_F(NewsHandlerTest, SyncNewsFromTwoEditorsStoresTheFirst)
{
    EXPECT_EQ(send("nuvroV1 syncNews - tagN0001 base"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncNews tagN0001 tagA0002 from a"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncNews tagN0001 tagB0002 from b", true),
              Replies{"nuvroV1 syncNewsConflict tagA0002 from a"});
    EXPECT_EQ(stored("nuvro-news"), "tagA0002 from a");
}

TEST_F(NewsHandlerTest, SyncLatestWorksPerProductAndRepliesWithoutTheId)
{
    EXPECT_EQ(send("nuvroV1 syncLatest brolt - tagL0001 1.2.0"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncLatest other - tagM0001 3.0"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncLatest brolt tagX0000 tagL0002 1.3"),
              Replies{"nuvroV1 syncLatestConflict tagL0001 1.2.0"});
    EXPECT_EQ(send("nuvroV1 syncLatest brolt tagL0001 tagL0002 1.3"), Replies{});
    EXPECT_EQ(stored("brolt\\latest"), "tagL0002 1.3");
    EXPECT_EQ(stored("other\\latest"), "tagM0001 3.0");
}

TEST_F(NewsHandlerTest, ForcedLatestCreatesTheProductFolder)
{
    EXPECT_EQ(send("nuvroV1 syncLatestForce new-product tagL0001 with spaces"), Replies{});
    EXPECT_EQ(stored("new-product\\latest"), "tagL0001 with spaces");
    EXPECT_EQ(send("nuvroV1 syncLatestForce new-product "), Replies{});
    EXPECT_EQ(stored("new-product\\latest"), "");
}

// "syncNews " must not take a "syncNewsForce" request: the forced request
// overwrites a record whose tag it does not know.
TEST_F(NewsHandlerTest, ForcedRequestsAreNotTakenForSyncs)
{
    EXPECT_EQ(send("nuvroV1 syncNewsForce tagN0001 old"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncNewsForce tagX0000 new"), Replies{});
    EXPECT_EQ(stored("nuvro-news"), "tagX0000 new");
    EXPECT_EQ(send("nuvroV1 syncLatestForce p tagL0001 old"), Replies{});
    EXPECT_EQ(send("nuvroV1 syncLatestForce p tagX0000 new"), Replies{});
    EXPECT_EQ(stored("p\\latest"), "tagX0000 new");
}

TEST_F(NewsHandlerTest, UnknownOrIncompleteRequestsAreIgnored)
{
    const char* requests[] = {
        "", "nuvroV1", "nuvroV1 ", "nuvroV1 init", "nuvroV1 getNews", "nuvroV1 newSid",
        "nuvroV1 syncNews", "nuvroV1 syncLatest", "nuvroV1 syncNewsForce",
        "nuvroV1 syncLatestForce", "nuvroV1 getnews ", "nuvroV1  getNews ",
        "nuvroV2 getNews ", " nuvroV1 getNews ", "nuvroV1 hello world",
        "nuvroV1 initX brolt", "nuvroV1 getNewsX ",
        // No space behind the product id.
        "nuvroV1 syncLatest brolt", "nuvroV1 syncLatestForce brolt",
        // Sync payloads too short for their form.
        "nuvroV1 syncNews -", "nuvroV1 syncNews tagN0001", "nuvroV1 syncLatest p -",
        "nuvroV1 syncLatest p tagL000",
    };
    for (const char* r : requests)
        EXPECT_EQ(send(r), Replies{}) << r;
    EXPECT_EQ(send_raw(nullptr), Replies{});
    EXPECT_EQ(news_entry_count(appdata_), 0);
}

TEST_F(NewsHandlerTest, TextThatIsNotUtf8IsIgnored)
{
    EXPECT_EQ(send("nuvroV1 syncNewsForce tagN0001 kept"), Replies{});
    const char* requests[] = {
        "nuvroV1 syncNewsForce tagX \xFF", "nuvroV1 syncNews tagN0001 tagX \xC0\xAF",
        "nuvroV1 newSid \xED\xA0\x80", "nuvroV1 syncLatestForce p\xC3 x",
        "nuvroV1 syncLatest p - \x80", "nuvroV1 getNews \xC3", "nuvroV1 init p\xF5",
    };
    for (const char* r : requests)
        EXPECT_EQ(send_raw(r), Replies{}) << r;
    EXPECT_EQ(stored("nuvro-news"), "tagN0001 kept");
    EXPECT_EQ(news_entry_count(store()), 1);
}

// Product ids that could reach outside the store folder, or alias another
// folder, are refused for every request that takes one: nothing is read,
// written or created, and nothing is sent.
TEST_F(NewsHandlerTest, HostileProductIdsReachNothing)
{
    // Bait a reply: a record one folder above the store and one in it.
    news_put_raw_file(appdata_ + L"\\latest", "outside");
    EXPECT_EQ(send("nuvroV1 syncNewsForce tagN0001 news"), Replies{});
    news_put_raw_file(store("latest"), "store root");
    const std::string ids[] = {
        "..", ".", "..\\..", "../..", "a\\..\\..", "..\\x", "C:", "C:\\temp",
        "\\\\server\\share", "a/b", "a:b", "a\x01", "a\tb", "a\x7F", "<", ">",
        "\"", "|", "?", "*", "a.", "...", std::string(65, 'p'),
    };
    for (const std::string& id : ids) {
        SCOPED_TRACE(id);
        EXPECT_EQ(send("nuvroV1 init " + id), Replies{});
        EXPECT_EQ(send("nuvroV1 syncLatestForce " + id + " tagX evil"), Replies{});
        EXPECT_EQ(send("nuvroV1 syncLatest " + id + " - tagX evil"), Replies{});
        EXPECT_EQ(send("nuvroV1 syncLatest " + id + " tagX0000 tagY evil"), Replies{});
    }
    EXPECT_EQ(stored("..\\latest"), "outside");
    EXPECT_EQ(stored("latest"), "store root");
    EXPECT_EQ(news_entry_count(appdata_), 2);
    EXPECT_EQ(news_entry_count(store()), 2);

    // The longest allowed id still works.
    std::string longest(NUVRO_PRODUCT_ID_MAX, 'p');
    EXPECT_EQ(send("nuvroV1 syncLatestForce " + longest + " tagL0001 ok"), Replies{});
    EXPECT_EQ(send("nuvroV1 init " + longest),
              (Replies{"nuvroV1 initNews tagN0001 news", "nuvroV1 initLatest tagL0001 ok",
                       "nuvroV1 initDone "}));
}

}  // namespace
