// The LV2 UI as an LV2 host opens it: the module's lv2ui_descriptor, an
// editor under a real parent window with the stand-in WebView2 runtime, and
// values travelling both ways through the host's write and touch functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include <lv2/ui/ui.h>

#include "tests/lv2/lv2_test_host.h"
#include "tests/webui/message_pump.h"
#include "tests/webui/stand_in_webview2.h"

namespace {

struct Written {
    uint32_t port;
    float value;
};

struct UiHost {
    std::vector<Written> writes;
    std::vector<std::string> events;  // "touch <port> <grabbed>" and "write <port>"

    static void write(LV2UI_Controller controller, uint32_t port, uint32_t size,
                      uint32_t protocol, const void* buffer)
    {
        UiHost* host = (UiHost*)controller;
        EXPECT_EQ(size, 4u);
        EXPECT_EQ(protocol, 0u);
        float value;
        memcpy(&value, buffer, sizeof value);
        host->writes.push_back({port, value});
        host->events.push_back("write " + std::to_string(port));
    }
    static void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
    {
        ((UiHost*)handle)->events.push_back("touch " + std::to_string(port) + " " +
                                            (grabbed ? "1" : "0"));
    }
};

HWND make_parent()
{
    WNDCLASSW parent_class;
    memset(&parent_class, 0, sizeof parent_class);
    parent_class.lpfnWndProc = DefWindowProcW;
    parent_class.lpszClassName = L"BroltLv2TestParent";
    RegisterClassW(&parent_class);
    return CreateWindowExW(0, L"BroltLv2TestParent", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 900,
                           500, nullptr, nullptr, nullptr, nullptr);
}

struct UiTest : ::testing::Test {
    LoadedModule module;
    const LV2UI_Descriptor* d = nullptr;
    UiHost host;
    LV2UI_Touch touch = {&host, UiHost::touch};
    HWND parent = nullptr;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    const StandInApi* stand_in = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(module.load(lv2_module_path()));
        ASSERT_NE(module.lv2ui_descriptor, nullptr);
        d = ((LV2UI_DescriptorFunction)module.lv2ui_descriptor)(0);
        ASSERT_NE(d, nullptr);
        parent = make_parent();
    }
    void TearDown() override
    {
        if (ui)
            d->cleanup(ui);
        if (parent)
            DestroyWindow(parent);
    }

    bool open(const char* bundle, bool with_parent, bool with_touch)
    {
        LV2_Feature parent_feature = {LV2_UI__parent, parent};
        LV2_Feature touch_feature = {LV2_UI__touch, &touch};
        std::vector<const LV2_Feature*> features;
        if (with_parent)
            features.push_back(&parent_feature);
        if (with_touch)
            features.push_back(&touch_feature);
        features.push_back(nullptr);
        widget = (LV2UI_Widget)1;
        ui = d->instantiate(d, BROLT_PLUGIN_URI, bundle, UiHost::write, &host, &widget,
                            features.data());
        if (!ui)
            return false;
        HMODULE loader = GetModuleHandleW(L"WebView2Loader.dll");
        stand_in = ((StandInApiFn)(void*)GetProcAddress(loader, "stand_in_webview2_api"))();
        return stand_in != nullptr;
    }

    std::vector<std::wstring> posted()
    {
        std::vector<std::wstring> texts;
        wchar_t buffer[256];
        while (stand_in->posted_text((HWND)widget, texts.size(), buffer, 256))
            texts.push_back(buffer);
        return texts;
    }
    void port_event(uint32_t port, float value) { d->port_event(ui, port, 4, 0, &value); }
    bool page_says(const wchar_t* text, size_t writes_expected)
    {
        if (!stand_in->deliver_message((HWND)widget, text, true))
            return false;
        return pump_until([&] { return host.writes.size() >= writes_expected; });
    }
};

}  // namespace

TEST_F(UiTest, DescriptorForIndexZeroOnlyWithIdleInterface)
{
    EXPECT_EQ(((LV2UI_DescriptorFunction)module.lv2ui_descriptor)(1), nullptr);
    EXPECT_STREQ(d->URI, "https://wyrel.digital/plugins/brolt/editor#ui");
    const LV2UI_Idle_Interface* idle =
        (const LV2UI_Idle_Interface*)d->extension_data(LV2_UI__idleInterface);
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(d->extension_data(LV2_UI__showInterface), nullptr);
    ASSERT_TRUE(open(BROLT_TEST_UI_BUNDLE, true, true));
    EXPECT_EQ(idle->idle(ui), 0);
}

TEST_F(UiTest, PortEventsReachThePageConverted)
{
    ASSERT_TRUE(open(BROLT_TEST_UI_BUNDLE, true, true));
    EXPECT_EQ(GetAncestor((HWND)widget, GA_PARENT), parent);
    port_event(7, 1.0f);    // enabled: bypass off
    port_event(7, 0.0f);    // disabled: bypass on
    port_event(6, 250.0f);  // limited to 200
    port_event(2, -5.0f);   // limited to 0
    port_event(0, 1.0f);    // not a control: ignored
    port_event(1, 1.0f);
    port_event(8, 1.0f);
    std::vector<std::wstring> texts = posted();
    std::vector<std::wstring> expected = {L"s 00000005 00000000", L"s 00000005 3f800000",
                                          L"s 00000004 43480000", L"s 00000000 00000000"};
    ASSERT_GE(texts.size(), expected.size());
    // Only the values pushed by the UI, after whatever the start-up sent.
    std::vector<std::wstring> tail(texts.end() - (long)expected.size(), texts.end());
    EXPECT_EQ(tail, expected);
}

TEST_F(UiTest, GesturesBecomeTouchesAndWrites)
{
    ASSERT_TRUE(open(BROLT_TEST_UI_BUNDLE, true, true));
    ASSERT_TRUE(page_says(L"b 0 428c0000", 1));  // drive 70
    ASSERT_TRUE(page_says(L"s 0 428e0000", 2));  // 71
    ASSERT_TRUE(page_says(L"e 0 428e0000", 3));
    ASSERT_TRUE(page_says(L"s 5 3f800000", 4));  // bypass on: port 7 disabled
    ASSERT_TRUE(page_says(L"s 4 43fa0000", 5));  // volume 500: limited to 200
    std::vector<std::string> expected = {"touch 2 1", "write 2", "write 2", "write 2",
                                         "touch 2 0", "write 7", "write 6"};
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(host.writes[0].value, 70.0f);
    EXPECT_EQ(host.writes[1].value, 71.0f);
    EXPECT_EQ(host.writes[3].port, 7u);
    EXPECT_EQ(host.writes[3].value, 0.0f);
    EXPECT_EQ(host.writes[4].value, 200.0f);
}

TEST_F(UiTest, WithoutTouchOnlyWritesAndWithoutParentStandalone)
{
    ASSERT_TRUE(open(BROLT_TEST_UI_BUNDLE, false, false));
    EXPECT_EQ(GetAncestor((HWND)widget, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindow((HWND)widget));
    ASSERT_TRUE(page_says(L"b 1 41a00000", 1));
    ASSERT_TRUE(page_says(L"e 1 41a00000", 2));
    std::vector<std::string> expected = {"write 3", "write 3"};
    EXPECT_EQ(host.events, expected);
}

TEST_F(UiTest, MissingLoaderFailsWithNullWidget)
{
    // The LV2 bundle itself: the page is there, the runtime loader is not.
    EXPECT_FALSE(open(lv2_bundle_path().c_str(), true, true));
    EXPECT_EQ(ui, nullptr);
    EXPECT_EQ(widget, nullptr);
}
