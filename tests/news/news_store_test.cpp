// The store operations on real files under a fresh APPDATA.
#include "news/news.h"

#include "tests/news/news_test_support.h"

#include <process.h>
#include <stdlib.h>

#include <string>

namespace {

std::wstring take_path(wchar_t* path)
{
    std::wstring s = path ? path : L"<null>";
    free(path);
    return s;
}

// 0/text, 0/absent or -1, as one comparable string.
std::string read_store(const char* a, const char* b = nullptr)
{
    char* text = (char*)1;
    int r = b ? nuvro_read_file(&text, a, b, NUVRO_END) : nuvro_read_file(&text, a, NUVRO_END);
    std::string s = r != 0 ? "<fail>" : text ? "=" + std::string(text) : "<absent>";
    if (r != 0) {
        EXPECT_EQ(text, nullptr);
    }
    free(text);
    return s;
}

using Replies = std::vector<std::string>;

using NewsPathTest = NewsStoreTest;
using NewsFileTest = NewsStoreTest;

// Syncs from editor A; conflict replies reach its page and no other.
class NewsSyncTest : public NewsEditorTest {
protected:
    Replies replies()
    {
        EXPECT_EQ(b_.take_replies(), Replies{});
        return a_.take_replies();
    }
};

TEST_F(NewsPathTest, BuildsStorePathsFromAppdataAndComponents)
{
    std::wstring base = appdata_ + L"\\Wyrel.DIGITAL";
    EXPECT_EQ(take_path(nuvro_build_path(false, NUVRO_END)), base);
    EXPECT_EQ(take_path(nuvro_build_path(true, NUVRO_END)), base);
    EXPECT_EQ(take_path(nuvro_build_path(false, "nuvro-news", NUVRO_END)),
              base + L"\\nuvro-news");
    EXPECT_EQ(take_path(nuvro_build_path(true, "nuvro-news", NUVRO_END)), base);
    EXPECT_EQ(take_path(nuvro_build_path(false, "p\xC3\xA9", "latest", NUVRO_END)),
              base + L"\\p\u00e9\\latest");
    EXPECT_EQ(take_path(nuvro_build_path(true, "p\xC3\xA9", "latest", NUVRO_END)),
              base + L"\\p\u00e9");
    // An empty or malformed component fails the whole path, even when it is
    // the one a directory path would drop.
    EXPECT_EQ(take_path(nuvro_build_path(false, "", "latest", NUVRO_END)), L"<null>");
    EXPECT_EQ(take_path(nuvro_build_path(true, "p", "", NUVRO_END)), L"<null>");
    EXPECT_EQ(take_path(nuvro_build_path(false, "p\xC3", "latest", NUVRO_END)), L"<null>");
    EXPECT_EQ(take_path(nuvro_build_path(false, "\xED\xA0\x80", NUVRO_END)), L"<null>");

    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", nullptr));
    EXPECT_EQ(take_path(nuvro_build_path(false, "nuvro-news", NUVRO_END)), L"<null>");
    EXPECT_EQ(nuvro_make_folders(false, NUVRO_END), -1);
    EXPECT_EQ(read_store("nuvro-news"), "<fail>");
    EXPECT_EQ(nuvro_write_file("x", "nuvro-news", NUVRO_END), -1);
}

// The folder walk starts behind the root of the built path: drive, share or
// long-path prefix. Checked on paths built from such APPDATA values, so no
// share is needed.
TEST_F(NewsPathTest, SkipsTheRootOfEveryPathForm)
{
    const struct {
        const wchar_t* appdata;
        const wchar_t* root;
    } cases[] = {
        {L"C:\\Users\\u\\AppData\\Roaming", L"C:"},
        {L"d:\\Roaming", L"d:"},
        {L"\\\\?\\C:\\Users\\u\\AppData\\Roaming", L"\\\\?\\C:"},
        {L"\\\\.\\C:\\Users\\u\\AppData\\Roaming", L"\\\\.\\C:"},
        {L"\\\\server\\share\\u\\AppData\\Roaming", L"\\\\server\\share"},
        {L"\\\\?\\UNC\\server\\share\\u\\AppData\\Roaming", L"\\\\?\\UNC\\server\\share"},
        {L"\\\\.\\UNC\\srv\\s$\\Roaming", L"\\\\.\\UNC\\srv\\s$"},
        {L"\\Roaming", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(news_utf8(c.appdata));
        ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", c.appdata));
        std::wstring path = take_path(nuvro_build_path(false, "prod", "latest", NUVRO_END));
        size_t root = nuvro_skip_root(path.c_str());
        EXPECT_EQ(path.substr(0, root), c.root);
        EXPECT_EQ(path.substr(root),
                  std::wstring(c.appdata).substr(wcslen(c.root)) +
                      L"\\Wyrel.DIGITAL\\prod\\latest");
    }
}

TEST_F(NewsSyncTest, LongPathPrefixStoreWorksEndToEnd)
{
    ASSERT_EQ(appdata_.substr(1, 2), L":\\");
    std::wstring prefixed = L"\\\\?\\" + appdata_ + L"\\deep\\er";
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", prefixed.c_str()));
    EXPECT_EQ(nuvro_make_folders(true, "prod", "latest", NUVRO_END), 0);
    EXPECT_TRUE(news_exists(appdata_ + L"\\deep\\er\\Wyrel.DIGITAL\\prod"));
    EXPECT_FALSE(news_exists(appdata_ + L"\\deep\\er\\Wyrel.DIGITAL\\prod\\latest"));
    EXPECT_EQ(nuvro_write_file("rec", "prod", "latest", NUVRO_END), 0);
    EXPECT_EQ(read_store("prod", "latest"), "=rec");
    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "-:first", "c");
    EXPECT_EQ(read_store("nuvro-news"), "=first");
    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "-:second", "c");
    EXPECT_EQ(replies(), Replies{"nuvroV1 c first"});
}

TEST_F(NewsFileTest, ReadTellsAbsentFromEmpty)
{
    EXPECT_EQ(read_store("nuvro-news"), "<absent>");  // no store folder yet
    EXPECT_EQ(read_store("prod", "latest"), "<absent>");
    EXPECT_FALSE(news_exists(store()));
    ASSERT_EQ(nuvro_make_folders(false, NUVRO_END), 0);
    news_put_raw_file(store("nuvro-news"), "");
    EXPECT_EQ(read_store("nuvro-news"), "=");
    EXPECT_EQ(read_store("nuvro-system"), "<absent>");
    EXPECT_EQ(read_store(""), "<fail>");
}

TEST_F(NewsFileTest, WriteCreatesFoldersAndReplacesWholeTextInTextMode)
{
    EXPECT_EQ(nuvro_write_file("tag00001 line one\nline two", "prod", "latest", NUVRO_END), 0);
    std::string raw;
    ASSERT_TRUE(news_raw_file(store("prod\\latest"), &raw));
    EXPECT_EQ(raw, "tag00001 line one\r\nline two");
    EXPECT_EQ(read_store("prod", "latest"), "=tag00001 line one\nline two");

    EXPECT_EQ(nuvro_write_file("short", "prod", "latest", NUVRO_END), 0);
    EXPECT_EQ(read_store("prod", "latest"), "=short");
    EXPECT_EQ(nuvro_write_file("", "prod", "latest", NUVRO_END), 0);
    EXPECT_EQ(read_store("prod", "latest"), "=");
    EXPECT_EQ(nuvro_write_file("x", "", "latest", NUVRO_END), -1);
}

// A forced write waits for the lock with the file untouched: someone holding
// the lock still sees the old record, never an emptied file.
TEST_F(NewsFileTest, ForcedWriteEmptiesTheFileOnlyUnderTheLock)
{
    ASSERT_EQ(nuvro_write_file("old record", "nuvro-news", NUVRO_END), 0);
    HANDLE h = CreateFileW(store("nuvro-news").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    OVERLAPPED at = {};
    ASSERT_TRUE(LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 0xFFFFFFFF, 0xFFFFFFFF, &at));

    HANDLE writer = (HANDLE)_beginthreadex(
        nullptr, 0,
        [](void*) -> unsigned {
            return (unsigned)nuvro_write_file("new record", "nuvro-news", NUVRO_END);
        },
        nullptr, 0, nullptr);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(WaitForSingleObject(writer, 300), (DWORD)WAIT_TIMEOUT);  // blocked on the lock

    char buf[64];
    DWORD got = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &got, nullptr));
    EXPECT_EQ(std::string(buf, got), "old record");
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);

    UnlockFileEx(h, 0, 0xFFFFFFFF, 0xFFFFFFFF, &at);
    CloseHandle(h);
    EXPECT_EQ(news_join_thread(writer, 10000), 0u);
    EXPECT_EQ(read_store("nuvro-news"), "=new record");
}

TEST(NewsTextTest, ConcatJoinsTextsInOrder)
{
    const struct {
        char* got;
        const char* want;
    } cases[] = {
        {nuvro_concat("abc", NUVRO_END), "abc"},
        {nuvro_concat("", NUVRO_END), ""},
        {nuvro_concat("nuvroV1 ", "syncNewsConflict", " ", "rec\nord", NUVRO_END),
         "nuvroV1 syncNewsConflict rec\nord"},
        {nuvro_concat("a", "", "", "b", NUVRO_END), "ab"},
        {nuvro_concat(NUVRO_END), ""},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.got, nullptr);
        EXPECT_STREQ(c.got, c.want);
        free(c.got);
    }
}

TEST(NewsTextTest, Utf8CheckRefusesMalformedSequences)
{
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii ~\x7F", true},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true},  // é € emoji
        {"\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", true},  // around the surrogates, max
        {"\x80", false},                                 // stray continuation
        {"\xC3", false},                                 // cut short
        {"\xE2\x82", false},
        {"\xC0\xAF", false},                             // overlong '/'
        {"\xC1\xBF", false},
        {"\xE0\x80\xAF", false},
        {"\xF0\x80\x80\xAF", false},
        {"\xED\xA0\x80", false},                         // surrogate
        {"\xF4\x90\x80\x80", false},                     // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xFF", false},
        {"a\xC3(", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nuvro_utf8_valid(c.text, strlen(c.text)), c.valid) << c.text;
}

TEST(NewsTextTest, ProductIdsThatLeaveOrAliasTheFolderAreRefused)
{
    const std::string longest(NUVRO_PRODUCT_ID_MAX, 'p');
    const struct {
        std::string id;
        bool valid;
    } cases[] = {
        {"brolt", true}, {"wyrel-brolt_1.2", true}, {"p\xC3\xA9", true}, {".x", true},
        {longest, true}, {longest + "p", false}, {"", false}, {".", false},
        {"..", false}, {"a.", false}, {"a ", false}, {"...", false},
        {"a\\b", false}, {"a/b", false}, {"c:", false}, {"a\x01", false},
        {"a\x1F", false}, {"a\x7F", false}, {"a<", false}, {"a>", false},
        {"a\"", false}, {"a|", false}, {"a?", false}, {"a*", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nuvro_product_id_valid(c.id.c_str()), c.valid) << c.id;
}

TEST_F(NewsSyncTest, DashCreatesOnceThenConflicts)
{
    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "-:tagA0001 first", "syncNewsConflict");
    EXPECT_EQ(read_store("nuvro-news"), "=tagA0001 first");
    EXPECT_TRUE(replies().empty());

    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "- tagB0001 second", "syncNewsConflict");
    EXPECT_EQ(read_store("nuvro-news"), "=tagA0001 first");
    EXPECT_EQ(replies(), Replies{"nuvroV1 syncNewsConflict tagA0001 first"});
}

TEST_F(NewsSyncTest, TagDecidesBetweenReplaceAndConflict)
{
    ASSERT_EQ(nuvro_write_file("tagA0001 one\nrecord", "prod", "latest", NUVRO_END), 0);
    nuvro_sync_file(a_.host, "prod", "latest", "tagA0001 tagB0002 two", "w");
    EXPECT_EQ(read_store("prod", "latest"), "=tagB0002 two");
    EXPECT_TRUE(replies().empty());

    // Stale tag, a tag matching only 7 characters, and the old dash form.
    const char* stale[] = {"tagA0001 tagC0003 x", "tagB000X tagC0003 x", "-:tagC0003 x"};
    for (const char* payload : stale) {
        nuvro_sync_file(a_.host, "prod", "latest", payload, "syncLatestConflict");
        EXPECT_EQ(read_store("prod", "latest"), "=tagB0002 two") << payload;
        EXPECT_EQ(replies(), Replies{"nuvroV1 syncLatestConflict tagB0002 two"})
            << payload;
    }

    // A stored record shorter than a tag can't match one.
    ASSERT_EQ(nuvro_write_file("tag", "prod", "latest", NUVRO_END), 0);
    nuvro_sync_file(a_.host, "prod", "latest", "tag\n\n\n\n\n new", "c");
    EXPECT_EQ(replies(), Replies{"nuvroV1 c tag"});
    EXPECT_EQ(read_store("prod", "latest"), "=tag");
}

TEST_F(NewsSyncTest, TagIsComparedWithTheTextAsRead)
{
    // The stored CR LF reads back as a line feed, so a tag holding "\n"
    // matches it.
    ASSERT_EQ(nuvro_write_file("ab\ncdefgh rest", "nuvro-news", NUVRO_END), 0);
    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "ab\ncdefg|next", "c");
    EXPECT_TRUE(replies().empty());
    EXPECT_EQ(read_store("nuvro-news"), "=next");
}

TEST_F(NewsSyncTest, EmptyFileIsAlwaysWritten)
{
    ASSERT_EQ(nuvro_make_folders(false, NUVRO_END), 0);
    const char* payloads[] = {"-:dash", "anything tagged", "-:"};
    const char* stored[] = {"=dash", "=tagged", "="};
    for (int i = 0; i < 3; i++) {
        news_put_raw_file(store("nuvro-news"), "");
        nuvro_sync_file(a_.host, nullptr, "nuvro-news", payloads[i], "c");
        EXPECT_EQ(read_store("nuvro-news"), stored[i]);
    }
    EXPECT_TRUE(replies().empty());
}

TEST_F(NewsSyncTest, ProductFolderIsMadeOnFirstUse)
{
    EXPECT_FALSE(news_exists(store()));
    nuvro_sync_file(a_.host, "brolt", "latest", "-:first", "c");
    EXPECT_EQ(read_store("brolt", "latest"), "=first");
    EXPECT_EQ(nuvro_write_file("forced", "other", "latest", NUVRO_END), 0);
    EXPECT_EQ(read_store("other", "latest"), "=forced");
}

TEST_F(NewsSyncTest, PayloadTooShortOrRefusedProductIdDoesNothing)
{
    const char* payloads[] = {"", "-", "t", "tagA0001", "tagA000"};
    for (const char* p : payloads) {
        nuvro_sync_file(a_.host, nullptr, "nuvro-news", p, "c");
        nuvro_sync_file(a_.host, "prod", "latest", p, "c");
    }
    nuvro_sync_file(a_.host, "..", "latest", "-:outside", "c");
    nuvro_sync_file(a_.host, "", "latest", "-:nowhere", "c");
    EXPECT_FALSE(news_exists(store()));
    EXPECT_EQ(news_entry_count(appdata_), 0);

    ASSERT_EQ(nuvro_write_file("tagA0001 kept", "nuvro-news", NUVRO_END), 0);
    for (const char* p : payloads)
        nuvro_sync_file(a_.host, nullptr, "nuvro-news", p, "c");
    EXPECT_EQ(read_store("nuvro-news"), "=tagA0001 kept");
    EXPECT_TRUE(replies().empty());

    // The shortest complete forms are taken.
    nuvro_sync_file(a_.host, nullptr, "nuvro-news", "tagA0001 ", "c");
    EXPECT_EQ(read_store("nuvro-news"), "=");
}

}  // namespace
