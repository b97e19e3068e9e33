#include "tests/news/news_test_support.h"

#include "news/news.h"

std::wstring news_wide(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &w[0], n);
    return w;
}

std::string news_utf8(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), nullptr, 0,
                                nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &s[0], n, nullptr,
                        nullptr);
    return s;
}

std::wstring news_make_temp_folder()
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0)
        return L"";
    for (;;) {
        std::wstring folder = std::wstring(temp, n) + L"news-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return L"";
    }
}

void news_remove_tree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                news_remove_tree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

bool news_raw_file(const std::wstring& path, std::string* bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got > 0)
        bytes->append(buf, got);
    CloseHandle(h);
    return ok;
}

void news_put_raw_file(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr));
    CloseHandle(h);
}

bool news_exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int news_entry_count(const std::wstring& folder)
{
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            count++;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
}

DWORD news_join_thread(HANDLE thread, DWORD timeout_ms)
{
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(thread, timeout_ms) == WAIT_OBJECT_0)
        GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

void NewsStoreTest::SetUp()
{
    wchar_t old[32768];
    DWORD n = GetEnvironmentVariableW(L"APPDATA", old, 32768);
    had_appdata_ = n > 0 && n < 32768;
    if (had_appdata_)
        old_appdata_.assign(old, n);
    appdata_ = news_make_temp_folder();
    ASSERT_FALSE(appdata_.empty());
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", appdata_.c_str()));
}

void NewsStoreTest::TearDown()
{
    SetEnvironmentVariableW(L"APPDATA", had_appdata_ ? old_appdata_.c_str() : nullptr);
    if (!appdata_.empty())
        news_remove_tree(appdata_);
}

std::wstring NewsStoreTest::store(const std::string& rel) const
{
    std::wstring s = appdata_ + L"\\Wyrel.DIGITAL";
    if (!rel.empty())
        s += L"\\" + news_wide(rel);
    return s;
}

bool NewsEditor::open_news()
{
    parent = make_parent_window();
    WebUiCallbacks callbacks = test_callbacks(&binding);
    host = web_ui_create(true, parent, &callbacks, nuvro_handle_message, 800, 400, 6);
    binding.host = host;
    return host && pump_until([this] { return state().events_delivered >= 1; });
}

std::vector<std::string> NewsEditor::take_replies()
{
    std::vector<std::wstring> all = posted();
    std::vector<std::string> replies;
    for (size_t i = seen; i < all.size(); i++)
        if (all[i].compare(0, 2, L"m ") == 0)
            replies.push_back(news_utf8(all[i].substr(2)));
    seen = all.size();
    return replies;
}

void NewsEditorTest::SetUp()
{
    NewsStoreTest::SetUp();
    ASSERT_TRUE(a_.open_news());
    ASSERT_TRUE(b_.open_news());
}

void NewsEditorTest::TearDown()
{
    a_.close();
    b_.close();
    NewsStoreTest::TearDown();
}
