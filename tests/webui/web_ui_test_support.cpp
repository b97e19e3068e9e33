#include "tests/webui/web_ui_test_support.h"

#include <tlhelp32.h>

const StandInApi* stand_in = nullptr;

std::wstring widen(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
    return out;
}

std::string narrow_utf8(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring test_folder_wide()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::string test_folder()
{
    return narrow_utf8(test_folder_wide());
}

static const char* loader_folder(void* data)
{
    return static_cast<TestBinding*>(data)->loader_folder.c_str();
}

static const char* page_folder(void* data)
{
    return static_cast<TestBinding*>(data)->page_folder.c_str();
}

static void record(void* data, char kind, uint32_t index, float value)
{
    TestBinding* binding = static_cast<TestBinding*>(data);
    if (GetCurrentThreadId() != binding->creator)
        binding->wrong_thread = true;
    binding->edits.push_back({kind, index, value});
    if (binding->on_edit)
        binding->on_edit(binding, kind, index, value);
}

static void begin_edit(void* data, uint32_t index, float value)
{
    record(data, 'b', index, value);
}
static void edit(void* data, uint32_t index, float value)
{
    record(data, 's', index, value);
}
static void end_edit(void* data, uint32_t index, float value)
{
    record(data, 'e', index, value);
}

WebUiCallbacks test_callbacks(TestBinding* binding)
{
    if (binding->loader_folder.empty())
        binding->loader_folder = test_folder() + "\\loader";
    if (binding->page_folder.empty())
        binding->page_folder = test_folder() + "\\page";
    binding->creator = GetCurrentThreadId();
    WebUiCallbacks callbacks = {binding, "test", loader_folder, page_folder, begin_edit, edit, end_edit};
    return callbacks;
}

// Finds the binding through the host's copy of the callbacks.
void test_message_handler(WebUiHost* host, const char* text)
{
    static_cast<TestBinding*>(host->binding.binding_data)->messages.push_back(text);
}

HWND make_parent_window()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW parent_class;
        memset(&parent_class, 0, sizeof parent_class);
        parent_class.lpfnWndProc = DefWindowProcW;
        parent_class.lpszClassName = L"BroltTestParent";
        RegisterClassW(&parent_class);
        registered = true;
    }
    return CreateWindowExW(0, L"BroltTestParent", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 500,
                           nullptr, nullptr, nullptr, nullptr);
}

bool Editor::open(bool embed, bool with_handler)
{
    if (embed && !parent)
        parent = make_parent_window();
    WebUiCallbacks callbacks = test_callbacks(&binding);
    host = web_ui_create(embed, embed ? parent : nullptr, &callbacks, with_handler ? test_message_handler : nullptr,
                         800, 400, 6);
    binding.host = host;
    if (!host)
        return false;
    // The start-up navigation to the page reaches the handler first.
    return pump_until([this] { return state().events_delivered >= 1; });
}

void Editor::close()
{
    if (host)
        web_ui_destroy(host);
    host = nullptr;
    binding.host = nullptr;
    if (parent)
        DestroyWindow(parent);
    parent = nullptr;
}

StandInViewState Editor::state() const
{
    StandInViewState s;
    stand_in->view_state(host ? host->window : nullptr, &s);
    return s;
}

std::vector<std::wstring> Editor::posted() const
{
    std::vector<std::wstring> all;
    wchar_t text[4096];
    for (size_t i = 0; stand_in->posted_text(host->window, i, text, 4096); i++)
        all.push_back(text);
    return all;
}

bool Editor::page_says(const wchar_t* text, bool as_string)
{
    int before = state().events_delivered;
    if (!stand_in->deliver_message(host->window, text, as_string))
        return false;
    return pump_until([&] { return state().events_delivered > before; });
}

bool Editor::navigate(const wchar_t* uri, bool new_window)
{
    int before = state().events_delivered;
    bool posted = new_window ? stand_in->deliver_new_window(host->window, uri)
                             : stand_in->deliver_navigation(host->window, uri);
    return posted && pump_until([&] { return state().events_delivered > before; });
}

std::string call_log()
{
    std::string text(stand_in->log_text(nullptr, 0) + 1, '\0');
    stand_in->log_text(&text[0], text.size());
    text.resize(text.size() - 1);
    return text;
}

std::wstring temp_folder()
{
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, path);
    return path;
}

int count_temp_entries(const wchar_t* pattern)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temp_folder() + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        n++;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return n;
}

int count_threads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}

bool class_exists(const char* name)
{
    WNDCLASSEXA info;
    info.cbSize = sizeof info;
    return GetClassInfoExA(nullptr, name, &info) != 0 || GetClassInfoExA(GetModuleHandleW(nullptr), name, &info) != 0;
}

bool folder_exists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A hang inside the code under test cannot be bounded by the test's own
// waits: a watchdog ends the program with the name of the stuck test.
class Watchdog : public ::testing::EmptyTestEventListener {
public:
    static const DWORD limit_ms = 120000;

    Watchdog()
    {
        InitializeCriticalSection(&lock_);
        CreateThread(nullptr, 0, watch, this, 0, nullptr);
    }
    void OnTestStart(const ::testing::TestInfo& test) override
    {
        EnterCriticalSection(&lock_);
        snprintf(name_, sizeof name_, "%s.%s", test.test_suite_name(), test.name());
        started_ = GetTickCount();
        running_ = true;
        LeaveCriticalSection(&lock_);
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        EnterCriticalSection(&lock_);
        running_ = false;
        LeaveCriticalSection(&lock_);
    }

private:
    static DWORD WINAPI watch(void* self)
    {
        Watchdog* dog = static_cast<Watchdog*>(self);
        for (;;) {
            Sleep(1000);
            EnterCriticalSection(&dog->lock_);
            bool hung = dog->running_ && GetTickCount() - dog->started_ > limit_ms;
            LeaveCriticalSection(&dog->lock_);
            if (hung) {
                fprintf(stderr, "\n%s hung for %lu s: stopped\n", dog->name_, limit_ms / 1000);
                fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    }
    CRITICAL_SECTION lock_;
    char name_[256] = "";
    DWORD started_ = 0;
    bool running_ = false;
};

// The stand-in runtime, and a temporary folder of the tests' own so that
// leftover files can be counted.
class WebUiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::wstring tmp = test_folder_wide() + L"\\tmp";
        CreateDirectoryW(tmp.c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", tmp.c_str());
        SetEnvironmentVariableW(L"TEMP", tmp.c_str());
        CreateDirectoryW((test_folder_wide() + L"\\page").c_str(), nullptr);
        HMODULE loader = LoadLibraryW((test_folder_wide() + L"\\loader\\WebView2Loader.dll").c_str());
        ASSERT_NE(loader, nullptr);
        StandInApiFn api = reinterpret_cast<StandInApiFn>(
            reinterpret_cast<void*>(GetProcAddress(loader, "stand_in_webview2_api")));
        ASSERT_NE(api, nullptr);
        stand_in = api();
        ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    }
};

static ::testing::Environment* const web_ui_environment = ::testing::AddGlobalTestEnvironment(new WebUiEnvironment);
