// Web UI host under Wine against the stand-in WebView2: start-up and its
// failures, windows, the page bridge and the navigation policy.
#include "tests/webui/web_ui_test_support.h"

#include <objbase.h>

#include <cstring>

namespace {

class WebUi : public ::testing::Test {
protected:
    void SetUp() override { stand_in->reset(nullptr); }
    void TearDown() override
    {
        // Whatever a test opened has been closed and released.
        EXPECT_TRUE(pump_until([] { return stand_in->live_objects() == 0; }, 3000))
            << "live stand-in objects: " << stand_in->live_objects();
    }
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

// True when every expected line appears in the log, in this order.
bool in_order(const std::vector<std::string>& log, const std::vector<std::string>& expected, std::string* missing)
{
    size_t at = 0;
    for (const std::string& want : expected) {
        while (at < log.size() && log[at].compare(0, want.size(), want) != 0)
            at++;
        if (at == log.size()) {
            *missing = want;
            return false;
        }
        at++;
    }
    return true;
}

std::string dispatch_class_of(const char* content_class)
{
    std::string name = content_class;
    name[0] = 'd';
    return name;
}

TEST(WebUiObjects, OptionsObjectCopiesTextsAndFollowsComRules)
{
    WV2EnvironmentOptions* object = wv2_options_create(L"131.0.2903.40");
    ASSERT_NE(object, nullptr);
    ICoreWebView2EnvironmentOptions* options = wv2_options_interface(object);
    const ICoreWebView2EnvironmentOptionsVtbl* v = options->lpVtbl;

    // Each call gives a fresh copy, which the caller frees.
    LPWSTR first = nullptr, second = nullptr;
    ASSERT_EQ(v->get_TargetCompatibleBrowserVersion(options, &first), S_OK);
    ASSERT_EQ(v->get_TargetCompatibleBrowserVersion(options, &second), S_OK);
    EXPECT_STREQ(first, L"131.0.2903.40");
    EXPECT_STREQ(second, L"131.0.2903.40");
    EXPECT_NE(first, second);
    CoTaskMemFree(first);
    CoTaskMemFree(second);

    EXPECT_EQ(v->put_AdditionalBrowserArguments(options, L"--a"), S_OK);
    EXPECT_EQ(v->put_AdditionalBrowserArguments(options, L"--b"), S_OK);
    LPWSTR text = nullptr;
    EXPECT_EQ(v->get_AdditionalBrowserArguments(options, &text), S_OK);
    EXPECT_STREQ(text, L"--b"); // replaced, not appended
    CoTaskMemFree(text);
    EXPECT_EQ(v->put_AdditionalBrowserArguments(options, nullptr), S_OK);
    text = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(v->get_AdditionalBrowserArguments(options, &text), S_OK);
    EXPECT_EQ(text, nullptr);
    text = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(v->get_Language(options, &text), S_OK);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(v->get_Language(options, nullptr), E_POINTER);

    BOOL sso = TRUE;
    EXPECT_EQ(v->get_AllowSingleSignOnUsingOSPrimaryAccount(options, &sso), S_OK);
    EXPECT_EQ(sso, FALSE);
    EXPECT_EQ(v->put_AllowSingleSignOnUsingOSPrimaryAccount(options, TRUE), S_OK);
    EXPECT_EQ(v->get_AllowSingleSignOnUsingOSPrimaryAccount(options, &sso), S_OK);
    EXPECT_EQ(sso, TRUE);

    void* out = nullptr;
    EXPECT_EQ(v->QueryInterface(options, wv2_iid_unknown, &out), S_OK);
    EXPECT_EQ(out, options);
    EXPECT_EQ(v->QueryInterface(options, wv2_iid_environment_options, &out), S_OK);
    EXPECT_EQ(v->QueryInterface(options, wv2_iid_webview, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(v->Release(options), 2u);
    EXPECT_EQ(v->Release(options), 1u);
    EXPECT_EQ(v->Release(options), 0u);
}

TEST(WebUiObjects, HandlerAnswersEveryInterfaceItImplements)
{
    WV2Handler* handler = wv2_handler_create(nullptr, L"C:\\page\\index.html");
    ASSERT_NE(handler, nullptr);
    EXPECT_STREQ(handler->page_uri, L"C:\\page\\index.html");
    auto* primary = wv2_handler_environment_completed(handler);
    const IID* answered[] = {&wv2_iid_unknown,
                             &wv2_iid_environment_completed_handler,
                             &wv2_iid_controller_completed_handler,
                             &wv2_iid_web_message_received_handler,
                             &wv2_iid_navigation_starting_handler,
                             &wv2_iid_new_window_requested_handler,
                             &wv2_iid_browser_process_exited_handler};
    void* unknown = nullptr;
    for (const IID* iid : answered) {
        void* out = nullptr;
        ASSERT_EQ(primary->lpVtbl->QueryInterface(primary, *iid, &out), S_OK);
        ASSERT_NE(out, nullptr);
        // Asking any interface for IUnknown gives the same pointer.
        auto* as_unknown = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(out);
        void* again = nullptr;
        ASSERT_EQ(as_unknown->lpVtbl->QueryInterface(as_unknown, wv2_iid_unknown, &again), S_OK);
        if (!unknown)
            unknown = again;
        EXPECT_EQ(again, unknown);
        as_unknown->lpVtbl->Release(as_unknown);
        as_unknown->lpVtbl->Release(as_unknown);
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(primary->lpVtbl->QueryInterface(primary, wv2_iid_controller, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(primary->lpVtbl->QueryInterface(primary, wv2_iid_unknown, nullptr), E_POINTER);
    EXPECT_EQ(handler->reference_count, 1);
    EXPECT_EQ(primary->lpVtbl->Release(primary), 0u);
}

TEST_F(WebUi, StartsInTheOrderTheRuntimeExpectsAndCleansUp)
{
    int temp_before = count_temp_entries();
    Editor editor;
    ASSERT_TRUE(editor.open());
    StandInViewState s = editor.state();
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(editor.state().last_cancel, FALSE); // the local page loads
    EXPECT_EQ(std::wstring(s.navigated_to), widen(editor.binding.page_folder) + L"\\index.html");
    // Style 0, so GetParent would report no parent; the window tree does.
    EXPECT_EQ(GetAncestor(editor.host->window, GA_PARENT), editor.parent);
    EXPECT_TRUE(IsWindowVisible(editor.host->window) || !IsWindowVisible(editor.parent));
    RECT client;
    GetClientRect(editor.host->window, &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 400);

    std::string missing;
    EXPECT_TRUE(in_order(lines(call_log()),
                         {"CreateCoreWebView2EnvironmentWithOptions (null)",
                          "options.TargetCompatibleBrowserVersion 131.0.2903.40",
                          "options.AdditionalBrowserArguments --allow-file-access-from-files",
                          "options.Language (null)", "environment.CreateCoreWebView2Controller",
                          "controller.get_CoreWebView2", "webview.get_Settings",
                          "settings.put_AreDefaultContextMenusEnabled 0", "settings.put_AreDevToolsEnabled 0",
                          "settings.put_IsStatusBarEnabled 0", "settings.put_IsZoomControlEnabled 0",
                          "settings.put_AreDefaultScriptDialogsEnabled 0",
                          "settings.put_AreBrowserAcceleratorKeysEnabled 0",
                          "settings.put_IsPasswordAutosaveEnabled 0", "settings.put_IsGeneralAutofillEnabled 0",
                          "settings.put_IsPinchZoomEnabled 0", "settings.put_IsSwipeNavigationEnabled 0",
                          "controller.put_AllowExternalDrop 0", "settings.put_IsScriptEnabled 1",
                          "settings.put_AreHostObjectsAllowed 1", "controller.put_Bounds",
                          "webview.add_WebMessageReceived", "webview.add_NavigationStarting",
                          "webview.add_NewWindowRequested", "webview.Navigate", "controller.put_IsVisible 1"},
                         &missing))
        << "missing or out of order: " << missing << "\n" << call_log();
    EXPECT_EQ(call_log().find("unexpected"), std::string::npos) << call_log();

    // The temporary file is gone; its extension-less twin is the folder.
    std::wstring folder = s.user_data_folder;
    EXPECT_EQ(folder.compare(0, temp_folder().size() + 3, temp_folder() + L"ror"), 0) << narrow_utf8(folder);
    EXPECT_TRUE(folder_exists(folder));
    EXPECT_EQ(count_temp_entries(), temp_before + 1); // only the folder
    EXPECT_EQ(GetFileAttributesW((folder + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    std::string content_class = s.content_class;
    EXPECT_TRUE(class_exists(content_class.c_str()));
    EXPECT_TRUE(class_exists(dispatch_class_of(content_class.c_str()).c_str()));

    editor.close();
    std::string missing_close;
    EXPECT_TRUE(in_order(lines(call_log()), {"environment.add_BrowserProcessExited", "controller.Close",
                                             "browser exited"},
                         &missing_close))
        << missing_close << "\n" << call_log();
    EXPECT_FALSE(folder_exists(folder));
    EXPECT_FALSE(class_exists(content_class.c_str()));
    EXPECT_FALSE(class_exists(dispatch_class_of(content_class.c_str()).c_str()));
    EXPECT_EQ(count_temp_entries(), temp_before);
}

struct StartFailure {
    const char* name;
    void (*configure)(StandInConfig*);
};

const StartFailure start_failures[] = {
    {"loader call fails", [](StandInConfig* c) { c->create_environment_result = E_ACCESSDENIED; }},
    {"no environment", [](StandInConfig* c) { c->environment_fails = true; }},
    {"success with a null environment", [](StandInConfig* c) { c->environment_null = true; }},
    {"controller creation refused", [](StandInConfig* c) { c->create_controller_fails = true; }},
    {"no controller", [](StandInConfig* c) { c->controller_fails = true; }},
    {"success with a null controller", [](StandInConfig* c) { c->controller_null = true; }},
    {"script enabling gives S_FALSE", [](StandInConfig* c) { c->script_enabled_s_false = true; }},
    {"host objects refused", [](StandInConfig* c) { c->host_objects_fail = true; }},
    {"bounds refused", [](StandInConfig* c) { c->bounds_fail = true; }},
    {"message registration refused", [](StandInConfig* c) { c->add_message_fails = true; }},
    {"navigation fails", [](StandInConfig* c) { c->navigate_fails = true; }},
    {"navigation fails with the folder in use", [](StandInConfig* c) {
         c->navigate_fails = true;
         c->hold_folder = true;
     }},
};

TEST_F(WebUi, EveryStartFailureReturnsNullAndLeavesNothing)
{
    int temp_before = count_temp_entries();
    int threads_before = count_threads();
    for (const StartFailure& failure : start_failures) {
        SCOPED_TRACE(failure.name);
        StandInConfig config = StandInConfig();
        failure.configure(&config);
        stand_in->reset(&config);
        Editor editor;
        EXPECT_FALSE(editor.open());
        EXPECT_EQ(editor.host, nullptr);
        char content_class[32];
        stand_in->last_content_class(content_class, sizeof content_class);
        ASSERT_EQ(content_class[0], 'c');
        EXPECT_FALSE(class_exists(content_class));
        EXPECT_FALSE(class_exists(dispatch_class_of(content_class).c_str()));
        EXPECT_EQ(count_temp_entries(), temp_before);
        EXPECT_TRUE(pump_until([&] { return count_threads() == threads_before; }, 2000));
        EXPECT_TRUE(pump_until([] { return stand_in->live_objects() == 0; }, 2000))
            << stand_in->live_objects() << "\n" << call_log();
    }
    // A later start succeeds.
    stand_in->reset(nullptr);
    Editor editor;
    EXPECT_TRUE(editor.open());
}

TEST_F(WebUi, MissingLoaderOrEntryOrBadFolderTextFails)
{
    const char* const bad_loaders[] = {"\\no-such-folder", "\\loader-without-entry"};
    for (const char* folder : bad_loaders) {
        TestBinding binding;
        binding.loader_folder = test_folder() + folder;
        WebUiCallbacks callbacks = test_callbacks(&binding);
        EXPECT_EQ(web_ui_create(false, nullptr, &callbacks, nullptr, 800, 400, 6), nullptr) << folder;
    }
    TestBinding binding;
    binding.page_folder = "C:\\bad\xff\xfe";
    WebUiCallbacks callbacks = test_callbacks(&binding);
    EXPECT_EQ(web_ui_create(false, nullptr, &callbacks, nullptr, 800, 400, 6), nullptr);
    EXPECT_EQ(call_log().find("CreateCoreWebView2EnvironmentWithOptions"), std::string::npos);
}

TEST_F(WebUi, GivesUpOnARuntimeThatNeverAnswers)
{
    StandInConfig config = StandInConfig();
    config.never_answer = true;
    stand_in->reset(&config);
    int temp_before = count_temp_entries();
    int threads_before = count_threads();
    DWORD saved = web_ui_start_timeout_ms;
    web_ui_start_timeout_ms = 300;
    Editor editor;
    DWORD start = GetTickCount();
    EXPECT_FALSE(editor.open());
    EXPECT_LT(GetTickCount() - start, 5000u);
    web_ui_start_timeout_ms = saved;
    EXPECT_EQ(count_temp_entries(), temp_before);
    EXPECT_TRUE(pump_until([&] { return count_threads() == threads_before; }, 2000));
    stand_in->reset(nullptr); // lets go of the unanswered handler
    Editor later;
    EXPECT_TRUE(later.open());
}

TEST_F(WebUi, StartsWithoutTheOptionalInterfaces)
{
    StandInConfig config = StandInConfig();
    config.lacks_settings6 = true;
    config.lacks_controller4 = true;
    config.lacks_environment5 = true;
    config.hold_folder = true;
    stand_in->reset(&config);
    Editor editor;
    ASSERT_TRUE(editor.open());
    std::string log = call_log();
    EXPECT_EQ(log.find("put_IsSwipeNavigationEnabled"), std::string::npos);
    EXPECT_EQ(log.find("put_AllowExternalDrop"), std::string::npos);
    EXPECT_NE(log.find("put_IsPinchZoomEnabled"), std::string::npos);
    std::wstring folder = editor.state().user_data_folder;
    editor.close();
    EXPECT_FALSE(folder_exists(folder));
}

TEST_F(WebUi, AFolderLeftByAnotherEditorIsNeverTaken)
{
    // Learn the next temporary names, then leave folders under them.
    wchar_t probe[MAX_PATH];
    ASSERT_NE(GetTempFileNameW(temp_folder().c_str(), L"rora", 0, probe), 0u);
    DeleteFileW(probe);
    std::wstring base = probe;
    base = base.substr(0, base.size() - 4);
    size_t digits = base.find_last_not_of(L"0123456789abcdefABCDEF") + 1;
    unsigned number = wcstoul(base.c_str() + digits, nullptr, 16);
    std::vector<std::wstring> left;
    for (unsigned i = 1; i <= 12; i++) {
        wchar_t name[MAX_PATH];
        swprintf(name, MAX_PATH, L"%ls%x", base.substr(0, digits).c_str(), (number + i) & 0xffff);
        if (CreateDirectoryW(name, nullptr))
            left.push_back(name);
    }
    int temp_before = count_temp_entries();
    {
        Editor editor;
        ASSERT_TRUE(editor.open());
        std::wstring folder = editor.state().user_data_folder;
        for (const std::wstring& other : left)
            EXPECT_NE(folder, other);
    }
    for (const std::wstring& other : left) {
        EXPECT_TRUE(folder_exists(other));
        RemoveDirectoryW(other.c_str());
    }
    EXPECT_EQ(count_temp_entries(), temp_before - static_cast<int>(left.size()));
}

TEST_F(WebUi, StandaloneEditorClosedByTheUser)
{
    Editor editor;
    ASSERT_TRUE(editor.open(false));
    HWND window = editor.host->window;
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 400);
    std::wstring folder = editor.state().user_data_folder;

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump_until([&] { return !folder_exists(folder); }));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(editor.state().closed_while_window_existed);
    // The binding still closes its editor; that must return.
    web_ui_set_parameter(editor.host, 0, 1.0f); // the window is gone: nothing to wait for
    editor.close();
}

TEST_F(WebUi, HostDestroysItsWindowFirst)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    std::wstring folder = editor.state().user_data_folder;
    HWND content = editor.host->window;
    DestroyWindow(editor.parent);
    editor.parent = nullptr;
    // A child of another thread goes with its parent, shortly after.
    EXPECT_TRUE(pump_until([&] { return !IsWindow(content); }));
    EXPECT_TRUE(editor.state().closed);
    EXPECT_TRUE(editor.state().closed_while_window_existed);
    editor.close();
    EXPECT_FALSE(folder_exists(folder));
}

TEST_F(WebUi, TwoEditorsAreIndependent)
{
    Editor first, second;
    ASSERT_TRUE(first.open());
    ASSERT_TRUE(second.open());
    StandInViewState a = first.state(), b = second.state();
    EXPECT_STRNE(a.content_class, b.content_class);
    EXPECT_NE(std::wstring(a.user_data_folder), std::wstring(b.user_data_folder));
    EXPECT_NE(first.host->dispatch_window, second.host->dispatch_window);

    first.close();
    EXPECT_FALSE(folder_exists(a.user_data_folder));
    EXPECT_TRUE(folder_exists(b.user_data_folder));
    EXPECT_TRUE(class_exists(b.content_class));
    ASSERT_TRUE(second.page_says(L"s 3 42480000"));
    ASSERT_EQ(second.binding.edits.size(), 1u);
    EXPECT_EQ(second.binding.edits[0].value, 50.0f);
    web_ui_set_parameter(second.host, 3, 25.0f);
    EXPECT_EQ(second.posted().back(), L"s 00000003 41c80000");
}

TEST_F(WebUi, ResizingTheContentWindowUpdatesTheBounds)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    const SIZE sizes[] = {{640, 300}, {1024, 512}, {1, 1}};
    for (SIZE size : sizes) {
        SetWindowPos(editor.host->window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(editor.host->window, &client);
        RECT bounds = editor.state().bounds;
        EXPECT_EQ(bounds.right - bounds.left, client.right);
        EXPECT_EQ(bounds.bottom - bounds.top, client.bottom);
        EXPECT_EQ(client.right, size.cx);
    }
}

TEST_F(WebUi, ValueRoundTripAndGetAll)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.page_says(L"s 0 3f800000"));
    ASSERT_EQ(editor.binding.edits.size(), 1u);
    EXPECT_EQ(editor.binding.edits[0].kind, 's');
    EXPECT_EQ(editor.binding.edits[0].index, 0u);
    EXPECT_EQ(editor.binding.edits[0].value, 1.0f);
    EXPECT_FALSE(editor.binding.wrong_thread);
    EXPECT_EQ(editor.host->parameter_values[0], 1.0f);

    web_ui_set_parameter(editor.host, 0, 1.0f);
    web_ui_set_parameter(editor.host, 5, -2.5f);
    std::vector<std::wstring> posted = editor.posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0], L"s 00000000 3f800000");
    EXPECT_EQ(posted[1], L"s 00000005 c0200000");

    ASSERT_TRUE(editor.page_says(L"b 2 3f000000"));
    ASSERT_TRUE(editor.page_says(L"e 2 3f000000"));
    ASSERT_TRUE(editor.page_says(L"g"));
    posted = editor.posted();
    ASSERT_EQ(posted.size(), 8u);
    const wchar_t* const all[] = {L"s 00000000 3f800000", L"s 00000001 00000000", L"s 00000002 3f000000",
                                  L"s 00000003 00000000", L"s 00000004 00000000", L"s 00000005 c0200000"};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(posted[2 + i], all[i]) << i;
    ASSERT_EQ(editor.binding.edits.size(), 3u);
    EXPECT_EQ(editor.binding.edits[1].kind, 'b');
    EXPECT_EQ(editor.binding.edits[2].kind, 'e');
}

TEST_F(WebUi, MalformedPageMessagesAreIgnored)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    const wchar_t* const ignored[] = {L"s",         L"s ",         L"s 1",      L"s x 3f800000", L"s 6 3f800000",
                                      L"b 100 0",   L"e ffffffff 0", L"q 0 3f800000", L"",         L"m",
                                      L"S 0 3f800000", L"s zz"};
    for (const wchar_t* text : ignored) {
        ASSERT_TRUE(editor.page_says(text)) << narrow_utf8(text);
        EXPECT_EQ(editor.state().last_event_result, S_OK) << narrow_utf8(text);
    }
    EXPECT_TRUE(editor.binding.edits.empty());
    EXPECT_TRUE(editor.binding.messages.empty());
    EXPECT_TRUE(editor.posted().empty());
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(editor.host->parameter_values[i], 0.0f);

    // Not a string: refused, nothing dispatched.
    ASSERT_TRUE(editor.page_says(L"s 0 3f800000", false));
    EXPECT_EQ(editor.state().last_event_result, E_INVALIDARG);
    EXPECT_TRUE(editor.binding.edits.empty());
    // Not valid UTF-16 (a lone surrogate): refused.
    ASSERT_TRUE(editor.page_says(L"m \xD800"));
    EXPECT_LT(editor.state().last_event_result, 0);
    EXPECT_TRUE(editor.binding.messages.empty());
}

TEST_F(WebUi, TextMessagesShortAndLong)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    ASSERT_TRUE(editor.page_says(L"m nuvroV1 hello \x00e9"));
    std::wstring long_text = L"m ";
    for (int i = 0; i < 1500; i++)
        long_text += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(editor.page_says(long_text.c_str()));
    // 1023 characters fill the 1024-byte buffer with the NUL; one more
    // takes the heap.
    std::wstring fits = L"m " + std::wstring(1021, L'x');
    std::wstring beyond = L"m " + std::wstring(1022, L'y');
    ASSERT_TRUE(editor.page_says(fits.c_str()));
    ASSERT_TRUE(editor.page_says(beyond.c_str()));
    ASSERT_EQ(editor.binding.messages.size(), 4u);
    EXPECT_EQ(editor.binding.messages[0], "nuvroV1 hello \xc3\xa9");
    EXPECT_EQ(editor.binding.messages[1], narrow_utf8(long_text.substr(2)));
    EXPECT_EQ(editor.binding.messages[2], std::string(1021, 'x'));
    EXPECT_EQ(editor.binding.messages[3], std::string(1022, 'y'));

    // Replies from the creator thread and from the UI thread's handler.
    web_ui_send_message(editor.host, "nuvroV1 reply \xc3\xa9");
    web_ui_send_message(editor.host, "bad \xff");
    std::vector<std::wstring> posted = editor.posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], L"m nuvroV1 reply \x00e9");
}

TEST_F(WebUi, TextMessageWithoutHandlerIsIgnored)
{
    Editor editor;
    ASSERT_TRUE(editor.open(true, false));
    ASSERT_TRUE(editor.page_says(L"m nuvroV1 hello"));
    EXPECT_EQ(editor.state().last_event_result, S_OK);
    EXPECT_TRUE(editor.binding.messages.empty());
}

TEST_F(WebUi, AHandlerReplyGoesStraightToThePage)
{
    Editor editor;
    ASSERT_TRUE(editor.open(true, false));
    editor.host->message_handler = [](WebUiHost* host, const char* text) {
        std::string reply = std::string("echo ") + text;
        web_ui_send_message(host, reply.c_str());
    };
    ASSERT_TRUE(editor.page_says(L"m ping"));
    ASSERT_EQ(editor.posted().size(), 1u);
    EXPECT_EQ(editor.posted()[0], L"m echo ping");
    EXPECT_EQ(editor.state().posted_at_last_event, 1u);
}

// ---- Navigation policy and the external opener ----------------------------------------

class WebUiOpener : public WebUi {
protected:
    std::wstring system_opener, saved_opener, log_path;

    void SetUp() override
    {
        WebUi::SetUp();
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        system_opener = std::wstring(system) + L"\\rundll32.exe";
        saved_opener = std::wstring(system) + L"\\rundll32.exe.brolt-saved";
        if (GetFileAttributesW(saved_opener.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ASSERT_TRUE(CopyFileW(system_opener.c_str(), saved_opener.c_str(), TRUE));
        }
        ASSERT_TRUE(CopyFileW((test_folder_wide() + L"\\opener-recorder.exe").c_str(), system_opener.c_str(), FALSE));
        // Wine would otherwise run its own opener in place of the file.
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"rundll32.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native"), 14);
        RegCloseKey(key);
        log_path = temp_folder() + L"opener.log";
        DeleteFileW(log_path.c_str());
        SetEnvironmentVariableW(L"BROLT_TEST_OPENER_LOG", log_path.c_str());
    }

    void TearDown() override
    {
        CopyFileW(saved_opener.c_str(), system_opener.c_str(), FALSE);
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(key, L"rundll32.exe");
            RegCloseKey(key);
        }
        DeleteFileW(log_path.c_str());
        WebUi::TearDown();
    }

    std::vector<std::wstring> opened()
    {
        std::vector<std::wstring> out;
        HANDLE file = CreateFileW(log_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return out;
        std::wstring text(32768, L'\0');
        DWORD got = 0;
        ReadFile(file, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got, nullptr);
        CloseHandle(file);
        text.resize(got / sizeof(wchar_t));
        size_t start = 0, end;
        while ((end = text.find(L'\n', start)) != std::wstring::npos) {
            out.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return out;
    }
};

TEST_F(WebUiOpener, WebAddressesOpenOutsideAndHostileOnesNever)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    const wchar_t* const prefix = L"rundll32 url.dll,FileProtocolHandler ";

    ASSERT_TRUE(editor.navigate(L"https://wyrel.digital/news?a=1&b=2", false));
    EXPECT_EQ(editor.state().last_cancel, TRUE);
    ASSERT_TRUE(pump_until([&] { return opened().size() == 1; }));
    EXPECT_EQ(opened()[0], std::wstring(prefix) + L"\"https://wyrel.digital/news?a=1&b=2\"");

    ASSERT_TRUE(editor.navigate(L"mailto:help@wyrel.digital", true));
    EXPECT_EQ(editor.state().last_handled, TRUE);
    ASSERT_TRUE(pump_until([&] { return opened().size() == 2; }));
    EXPECT_EQ(opened()[1], std::wstring(prefix) + L"\"mailto:help@wyrel.digital\"");

    // Local pages load in the editor; a new window for one opens nowhere.
    ASSERT_TRUE(editor.navigate(L"file:///C:/page/other.html", false));
    EXPECT_EQ(editor.state().last_cancel, FALSE);
    ASSERT_TRUE(editor.navigate(L"file:///C:/page/other.html", true));
    EXPECT_EQ(editor.state().last_handled, TRUE);

    const wchar_t* const hostile[] = {
        L"https://x.example/\" & calc.exe & \"",
        L"https://x.example/\x0d\x0a",
        L"https://x.example/\x01",
        L"https://x.example/a\\",
        L"javascript:alert(1)",
        L"ms-settings:privacy",
        L"file://server/share/x.html",
        L"File:///C:/x.html",
        L"about:blank",
        L"",
    };
    for (const wchar_t* uri : hostile) {
        SCOPED_TRACE(narrow_utf8(uri));
        ASSERT_TRUE(editor.navigate(uri, false));
        EXPECT_EQ(editor.state().last_cancel, TRUE);
        ASSERT_TRUE(editor.navigate(uri, true));
        EXPECT_EQ(editor.state().last_handled, TRUE);
    }
    // Give any wrongly started opener time to write.
    pump_for(500);
    EXPECT_EQ(opened().size(), 2u);
}

TEST_F(WebUi, LoaderInAFolderWithNonAsciiName)
{
    std::wstring folder = test_folder_wide() + L"\\l\x00e4" L"der-\x0416";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((test_folder_wide() + L"\\loader\\WebView2Loader.dll").c_str(),
                          (folder + L"\\WebView2Loader.dll").c_str(), FALSE));
    // Held here too, so that its records outlive the editor.
    HMODULE copy = LoadLibraryW((folder + L"\\WebView2Loader.dll").c_str());
    ASSERT_NE(copy, nullptr);
    TestBinding binding;
    binding.loader_folder = narrow_utf8(folder);
    binding.page_folder = narrow_utf8(folder);
    WebUiCallbacks callbacks = test_callbacks(&binding);
    HWND parent = make_parent_window();
    WebUiHost* host = web_ui_create(true, parent, &callbacks, nullptr, 800, 400, 6);
    ASSERT_NE(host, nullptr);
    // That copy is a module of its own, with its own records.
    auto api = reinterpret_cast<StandInApiFn>(
        reinterpret_cast<void*>(GetProcAddress(host->loader, "stand_in_webview2_api")));
    ASSERT_NE(api, nullptr);
    EXPECT_EQ(host->loader, copy);
    ASSERT_NE(api(), stand_in);
    StandInViewState s;
    ASSERT_TRUE(api()->view_state(host->window, &s));
    EXPECT_EQ(std::wstring(s.navigated_to), folder + L"\\index.html");
    web_ui_destroy(host);
    DestroyWindow(parent);
    EXPECT_TRUE(pump_until([&] { return api()->live_objects() == 0; }, 2000));
    FreeLibrary(copy);
}

} // namespace
