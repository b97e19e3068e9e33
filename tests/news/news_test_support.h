// Shared helpers of the news tests: a fresh APPDATA folder per test, raw
// access to the store files, and editors of the Web UI host (on the
// stand-in WebView2 of its tests) whose "m" messages go to the news handler.
#pragma once

#include "tests/webui/web_ui_test_support.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

// UTF-8 <-> UTF-16 for test paths and texts.
std::wstring news_wide(const std::string& utf8);
std::string news_utf8(const std::wstring& wide);

// A new empty folder in the system temporary folder.
std::wstring news_make_temp_folder();
// Deletes a folder and everything in it.
void news_remove_tree(const std::wstring& folder);

// Whole contents of a file as stored on disk (no text-mode translation);
// false when it can't be opened.
bool news_raw_file(const std::wstring& path, std::string* bytes);
void news_put_raw_file(const std::wstring& path, const std::string& bytes);
bool news_exists(const std::wstring& path);
// Number of entries in a folder (0 when it does not exist).
int news_entry_count(const std::wstring& folder);

// Waits for a thread of _beginthreadex and closes it: its exit code, or
// 0xFFFFFFFF when it did not end within timeout_ms.
DWORD news_join_thread(HANDLE thread, DWORD timeout_ms);

// Each test gets APPDATA pointed at a new temporary folder, removed after
// the test; the old value comes back.
class NewsStoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // APPDATA\Wyrel.DIGITAL, then "\\" and rel when given.
    std::wstring store(const std::string& rel = "") const;

    std::wstring appdata_;
    std::wstring old_appdata_;
    bool had_appdata_ = false;
};

// An editor with nuvro_handle_message as its message handler. Its replies
// are read back from what the stand-in page was sent.
struct NewsEditor : Editor {
    bool open_news();
    // The "m " page messages sent since the last call, without the "m ".
    std::vector<std::string> take_replies();

    size_t seen = 0;
};

// Two editors open during each test, the way two plug-in instances share
// the store.
class NewsEditorTest : public NewsStoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    NewsEditor a_;
    NewsEditor b_;
};
