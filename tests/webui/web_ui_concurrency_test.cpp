// Web UI host with real threads under Wine: edits racing pushed values,
// calls from inside forwarded callbacks, destruction and quit requests
// meeting an edit in flight, and a create/destroy loop that counts leaks.
// Every case runs many rounds, each wait bounded.
#include "tests/webui/web_ui_test_support.h"

#include <cstdio>

namespace {

class WebUiThreads : public ::testing::Test {
protected:
    void SetUp() override { stand_in->reset(nullptr); }
    void TearDown() override
    {
        EXPECT_TRUE(pump_until([] { return stand_in->live_objects() == 0; }, 3000));
    }
};

std::wstring value_message(char kind, uint32_t index, float value)
{
    wchar_t text[40];
    swprintf(text, 40, L"%c %x %x", kind, index, web_ui_float_bits(value));
    return text;
}

std::wstring page_value(uint32_t index, float value)
{
    wchar_t text[40];
    swprintf(text, 40, L"s %08x %08x", index, web_ui_float_bits(value));
    return text;
}

TEST_F(WebUiThreads, PageDragsWhileTheHostPushesValues)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    const int steps = 200;
    for (int round = 0; round < 3; round++) {
        editor.binding.edits.clear();
        // The page's drag is queued at once; the pushes go in between.
        for (int i = 0; i < steps; i++)
            ASSERT_TRUE(stand_in->deliver_message(editor.host->window,
                                                  value_message('s', 0, static_cast<float>(i)).c_str(), true));
        for (int i = 0; i < steps; i++)
            web_ui_set_parameter(editor.host, 1, static_cast<float>(round * 1000 + i));
        ASSERT_TRUE(pump_until([&] { return editor.binding.edits.size() == static_cast<size_t>(steps); }, 20000))
            << editor.binding.edits.size();
        for (int i = 0; i < steps; i++)
            ASSERT_EQ(editor.binding.edits[i].value, static_cast<float>(i));
        EXPECT_FALSE(editor.binding.wrong_thread);
        EXPECT_EQ(editor.host->parameter_values[0], static_cast<float>(steps - 1));
        EXPECT_EQ(editor.host->parameter_values[1], static_cast<float>(round * 1000 + steps - 1));
        EXPECT_EQ(editor.posted().back(), page_value(1, static_cast<float>(round * 1000 + steps - 1)));
    }
}

TEST_F(WebUiThreads, CallbackEchoesAndResizesFromInsideTheEdit)
{
    Editor editor;
    ASSERT_TRUE(editor.open());
    editor.binding.on_edit = [](TestBinding* binding, char kind, uint32_t index, float value) {
        if (kind != 's')
            return;
        web_ui_set_parameter(binding->host, index, value * 2.0f);
        // A message sent to the UI thread while it waits for this callback.
        SetWindowPos(binding->host->window, nullptr, 0, 0, 700 + static_cast<int>(index), 350,
                     SWP_NOMOVE | SWP_NOZORDER);
        web_ui_send_message(binding->host, "inside");
    };
    for (int i = 0; i < 300; i++) {
        uint32_t index = static_cast<uint32_t>(i % 6);
        float value = static_cast<float>(i);
        ASSERT_TRUE(editor.page_says(value_message('s', index, value).c_str())) << i;
        std::vector<std::wstring> posted = editor.posted();
        StandInViewState s = editor.state();
        // Both replies reached the page before the edit completed.
        ASSERT_EQ(s.posted_at_last_event, posted.size());
        ASSERT_GE(posted.size(), 2u);
        ASSERT_EQ(posted[posted.size() - 2], page_value(index, value * 2.0f)) << i;
        ASSERT_EQ(posted.back(), L"m inside");
        ASSERT_EQ(s.bounds.right, 700 + static_cast<LONG>(index));
    }
    EXPECT_EQ(editor.host->parameter_values[5], 299.0f * 2.0f); // the last round, 299, is index 5
}

// Serves nothing but waits: the dispatch window's messages must stay queued.
bool idle_until(const std::function<bool()>& done, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        Sleep(1);
    }
    return true;
}

TEST_F(WebUiThreads, DestroyDuringAForwardedEdit)
{
    for (int round = 0; round < 100; round++) {
        Editor editor;
        ASSERT_TRUE(editor.open());
        ASSERT_TRUE(stand_in->deliver_message(editor.host->window, L"s 1 3f800000", true));
        WebUiHost* host = editor.host;
        ASSERT_TRUE(idle_until(
            [host] {
                MSG msg;
                return PeekMessageW(&msg, host->dispatch_window, 0, 0, PM_NOREMOVE) != 0;
            },
            5000));
        HWND window = editor.host->window;
        web_ui_destroy(editor.host);
        editor.host = nullptr;
        // The destroying thread served the edit before it closed.
        ASSERT_EQ(editor.binding.edits.size(), 1u) << round;
        StandInViewState s;
        stand_in->view_state(window, &s);
        ASSERT_TRUE(s.closed);
        ASSERT_EQ(s.events_delivered, 2);
    }
}

TEST_F(WebUiThreads, QuitMetWhileWaitingForTheLockIsNotLost)
{
    const UINT quits[] = {WM_WEB_UI_QUIT, WM_QUIT};
    for (UINT quit : quits) {
        for (int round = 0; round < 50; round++) {
            SCOPED_TRACE(round);
            Editor editor;
            ASSERT_TRUE(editor.open());
            WebUiHost* host = editor.host;
            ASSERT_EQ(web_ui_acquire_from_creator(host), 0);
            ASSERT_TRUE(stand_in->deliver_message(host->window, L"s 2 3f800000", true));
            // Give the UI thread time to reach its wait for the lock.
            Sleep(5);
            if (quit == WM_QUIT)
                PostThreadMessageW(host->ui_thread_id, WM_QUIT, 0, 0);
            else
                PostMessageW(host->window, WM_WEB_UI_QUIT, 0, 0);
            ASSERT_EQ(web_ui_wait_serving_sent(&host->ui_thread, 1, 5000), 0);
            ReleaseSemaphore(host->host_lock, 1, nullptr);
            EXPECT_TRUE(editor.binding.edits.empty());
            StandInViewState s = editor.state();
            EXPECT_TRUE(s.closed);
            EXPECT_FALSE(folder_exists(s.user_data_folder));
            editor.close(); // the thread has ended: this still returns
        }
    }
}

TEST_F(WebUiThreads, BindingDestroysTheEditorFromInsideItsCallback)
{
    int threads_before = count_threads();
    for (int round = 0; round < 100; round++) {
        Editor editor;
        ASSERT_TRUE(editor.open());
        editor.binding.on_edit = [](TestBinding* binding, char, uint32_t, float) {
            web_ui_destroy(binding->host);
            binding->host = nullptr;
        };
        HWND window = editor.host->window;
        std::wstring folder = editor.state().user_data_folder;
        ASSERT_TRUE(stand_in->deliver_message(window, L"s 4 3f800000", true));
        ASSERT_TRUE(pump_until([&] { return editor.binding.host == nullptr; }));
        editor.host = nullptr; // gone with the callback
        StandInViewState s;
        stand_in->view_state(window, &s);
        ASSERT_TRUE(s.closed);
        ASSERT_EQ(s.events_delivered, 2);
        ASSERT_FALSE(folder_exists(folder));
    }
    EXPECT_TRUE(pump_until([&] { return count_threads() == threads_before; }, 2000));
}

TEST_F(WebUiThreads, CreateAndDestroyLeakNothing)
{
    // One warm-up round settles whatever Wine allocates once.
    {
        Editor warm_up;
        ASSERT_TRUE(warm_up.open());
    }
    pump_for(50);
    int threads = count_threads();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    int temp = count_temp_entries();
    std::vector<std::string> classes;

    for (int round = 0; round < 200; round++) {
        Editor editor;
        ASSERT_TRUE(editor.open()) << round;
        classes.push_back(editor.state().content_class);
        ASSERT_TRUE(editor.page_says(L"s 0 3f800000"));
    }
    for (int round = 0; round < 25; round++) {
        Editor editors[4];
        for (Editor& editor : editors)
            ASSERT_TRUE(editor.open()) << round;
        for (Editor& editor : editors) {
            classes.push_back(editor.state().content_class);
            web_ui_set_parameter(editor.host, 2, 3.0f);
        }
        // Closed in another order than opened.
        editors[2].close();
        editors[0].close();
    }

    EXPECT_TRUE(pump_until([&] { return count_threads() == threads; }, 3000)) << count_threads() << " " << threads;
    DWORD handles_after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles_after);
    EXPECT_LE(handles_after, handles + 2) << handles << " -> " << handles_after;
    EXPECT_EQ(count_temp_entries(), temp);
    for (const std::string& name : classes) {
        ASSERT_FALSE(class_exists(name.c_str())) << name;
        std::string dispatch = name;
        dispatch[0] = 'd';
        ASSERT_FALSE(class_exists(dispatch.c_str())) << dispatch;
    }
}

} // namespace
