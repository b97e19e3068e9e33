// The plug view as a host drives it: real parent windows on the test thread,
// editors opened through the stand-in WebView2 loader that the build copies
// next to a copy of the module (the bundle that gets installed never sees
// it), and a copy of the module with no loader at all.
#include "tests/vst3/host.h"
#include "tests/webui/message_pump.h"
#include "tests/webui/stand_in_webview2.h"
#include "webui/web_ui.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

Vst3PluginFactory* load_factory(const char* module_path)
{
    HMODULE module = LoadLibraryW(host_wine_path(module_path).c_str());
    if (!module)
        return nullptr;
    typedef Vst3PluginFactory* (*GetFactory)(void);
    GetFactory get = (GetFactory)(void*)GetProcAddress(module, "GetPluginFactory");
    return get ? get() : nullptr;
}

Vst3PluginFactory* editor_factory()
{
    static Vst3PluginFactory* factory = load_factory(BROLT_VIEW_MODULE);
    return factory;
}

Vst3PluginFactory* bare_factory()
{
    static Vst3PluginFactory* factory = load_factory(BROLT_VIEW_MODULE_WITHOUT_LOADER);
    return factory;
}

// The very loader module the editors load: its control interface sees them.
const StandInApi* stand_in()
{
    static const StandInApi* api = [] {
        HMODULE loader = LoadLibraryW(host_wine_path(BROLT_VIEW_STAND_IN).c_str());
        StandInApiFn get =
            loader ? (StandInApiFn)(void*)GetProcAddress(loader, "stand_in_webview2_api") : nullptr;
        return get ? get() : (const StandInApi*)nullptr;
    }();
    return api;
}

Vst3EditController* create_controller(Vst3PluginFactory* factory)
{
    void* obj = nullptr;
    if (!factory || factory->vtbl->create_instance(factory, vst3_class_facts[VST3_CLASS_CONTROLLER].cid,
                                                   vst3_iid_edit_controller, &obj) != VST3_OK)
        return nullptr;
    Vst3EditController* c = (Vst3EditController*)obj;
    c->vtbl->initialize(c, nullptr);
    return c;
}


HWND make_parent_window()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW parent_class;
        memset(&parent_class, 0, sizeof parent_class);
        parent_class.lpfnWndProc = DefWindowProcW;
        parent_class.lpszClassName = L"BroltVst3TestParent";
        registered = RegisterClassW(&parent_class) != 0;
    }
    return CreateWindowExW(0, L"BroltVst3TestParent", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                           1200, 800, nullptr, nullptr, nullptr, nullptr);
}

struct HandlerCall {
    char kind; // 'b', 'p' or 'e'
    vst3_param_id id;
    double value;
    bool operator==(const HandlerCall& o) const { return kind == o.kind && id == o.id && value == o.value; }
};

std::ostream& operator<<(std::ostream& out, const HandlerCall& call)
{
    return out << call.kind << " " << call.id << " " << call.value;
}

// A component handler that writes down every edit call.
struct RecordingHandler {
    Vst3ComponentHandler iface;
    int32_t ref_count = 1;
    std::vector<HandlerCall> calls;
    RecordingHandler();
};

RecordingHandler* recorder_of(Vst3ComponentHandler* self) { return (RecordingHandler*)(void*)self; }

tresult recorder_query(Vst3ComponentHandler* self, const uint8_t* iid, void** obj)
{
    (void)self;
    (void)iid;
    *obj = nullptr;
    return VST3_NO_INTERFACE;
}
uint32_t recorder_add_ref(Vst3ComponentHandler* self) { return ++recorder_of(self)->ref_count; }
uint32_t recorder_release(Vst3ComponentHandler* self) { return --recorder_of(self)->ref_count; }
tresult recorder_begin(Vst3ComponentHandler* self, vst3_param_id id)
{
    recorder_of(self)->calls.push_back({'b', id, 0.0});
    return VST3_OK;
}
tresult recorder_perform(Vst3ComponentHandler* self, vst3_param_id id, double value)
{
    recorder_of(self)->calls.push_back({'p', id, value});
    return VST3_OK;
}
tresult recorder_end(Vst3ComponentHandler* self, vst3_param_id id)
{
    recorder_of(self)->calls.push_back({'e', id, 0.0});
    return VST3_OK;
}
tresult recorder_restart(Vst3ComponentHandler* self, int32_t flags)
{
    (void)self;
    (void)flags;
    return VST3_OK;
}

const Vst3ComponentHandlerVtbl recorder_vtbl = {
    recorder_query, recorder_add_ref, recorder_release, recorder_begin,
    recorder_perform, recorder_end, recorder_restart,
};

RecordingHandler::RecordingHandler() { iface.vtbl = &recorder_vtbl; }

const vst3_view* record_of(Vst3PlugView* view) { return (const vst3_view*)(const void*)view; }
const vst3_controller* record_of(Vst3EditController* c) { return (const vst3_controller*)(const void*)c; }

HWND content_of(Vst3PlugView* view)
{
    return record_of(view)->host ? record_of(view)->host->window : nullptr;
}

StandInViewState editor_state(HWND content)
{
    StandInViewState state;
    stand_in()->view_state(content, &state);
    return state;
}

std::vector<std::wstring> posted(HWND content)
{
    std::vector<std::wstring> texts;
    wchar_t buffer[256];
    for (size_t i = 0; stand_in()->posted_text(content, i, buffer, 256); i++)
        texts.push_back(buffer);
    return texts;
}

std::wstring value_message(uint32_t index, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, 4);
    wchar_t text[32];
    swprintf(text, 32, L"s %08x %08x", index, bits);
    return text;
}

// The page messages a view's editor gets for the six values, in index order.
std::vector<std::wstring> six_values(const float values[ENGINE_PARAM_COUNT])
{
    std::vector<std::wstring> texts;
    for (uint32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        texts.push_back(value_message(i, values[i]));
    return texts;
}

std::vector<std::wstring> tail(const std::vector<std::wstring>& texts, size_t n)
{
    return std::vector<std::wstring>(texts.end() - (ptrdiff_t)(n < texts.size() ? n : texts.size()), texts.end());
}

// An editor that never comes up would block attached for good: each test
// ends the program after 30 s instead.
void CALLBACK test_hung(void* name, BOOLEAN)
{
    fprintf(stderr, "%s: no end after 30 s\n", (const char*)name);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

class Vst3View : public ::testing::Test {
protected:
    HANDLE watchdog = nullptr;
    Vst3EditController* controller = nullptr;
    RecordingHandler handler;
    HWND parent = nullptr;
    std::vector<Vst3PlugView*> views;

    void SetUp() override
    {
        CreateTimerQueueTimer(&watchdog, nullptr, test_hung,
                              (void*)::testing::UnitTest::GetInstance()->current_test_info()->name(),
                              30000, 0, WT_EXECUTEONLYONCE);
        ASSERT_NE(stand_in(), nullptr) << "the stand-in loader beside the module copy";
        stand_in()->reset(nullptr);
        controller = create_controller(editor_factory());
        ASSERT_NE(controller, nullptr);
        controller->vtbl->set_component_handler(controller, &handler.iface);
        parent = make_parent_window();
        ASSERT_NE(parent, nullptr);
    }

    void TearDown() override
    {
        for (Vst3PlugView* view : views)
            if (view)
                view->vtbl->release(view);
        if (controller)
            controller->vtbl->release(controller);
        if (parent)
            DestroyWindow(parent);
        EXPECT_EQ(handler.ref_count, 1) << "the controller gives back its reference";
        if (watchdog)
            DeleteTimerQueueTimer(nullptr, watchdog, INVALID_HANDLE_VALUE);
    }

    Vst3PlugView* new_view(Vst3EditController* c = nullptr)
    {
        c = c ? c : controller;
        Vst3PlugView* view = (Vst3PlugView*)(void*)c->vtbl->create_view(c, "editor");
        views.push_back(view);
        return view;
    }

    // Releases a view the test made, so TearDown leaves it alone.
    uint32_t release(Vst3PlugView* view)
    {
        for (Vst3PlugView*& v : views)
            if (v == view)
                v = nullptr;
        return view->vtbl->release(view);
    }

    // Hands a page message to the view's editor and waits until its handler
    // has returned (the forwarded edit has run on this thread by then).
    bool page_says(Vst3PlugView* view, const wchar_t* text)
    {
        HWND content = content_of(view);
        int before = editor_state(content).events_delivered;
        return stand_in()->deliver_message(content, text, true) &&
               pump_until([&] { return editor_state(content).events_delivered > before; });
    }

    double plain(int32_t index) const { return record_of(controller)->plain_values[index]; }
};

const vst3_param_id DRIVE = 1955105482, MIX = 907392060, VOLUME = 115099194, BYPASS = 150732888;

TEST_F(Vst3View, DetachedAnswers)
{
    Vst3PlugView* view = new_view();
    ASSERT_NE(view, nullptr);
    struct {
        const char* type;
        tresult supported;
    } types[] = {{"HWND", VST3_TRUE},    {"NSView", VST3_FALSE}, {"HIView", VST3_FALSE},
                 {"X11EmbedWindowID", VST3_FALSE}, {"hwnd", VST3_FALSE}, {"HWND ", VST3_FALSE},
                 {"", VST3_FALSE},       {nullptr, VST3_FALSE}};
    for (const auto& t : types) {
        EXPECT_EQ(view->vtbl->is_platform_type_supported(view, t.type), t.supported) << (t.type ? t.type : "null");
        if (t.supported != VST3_TRUE) {
            EXPECT_EQ(view->vtbl->attached(view, parent, t.type), VST3_INVALID_ARGUMENT);
        }
    }
    EXPECT_EQ(record_of(view)->host, nullptr);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);

    void* obj = nullptr;
    EXPECT_EQ(view->vtbl->query_interface(view, vst3_iid_plug_view, &obj), VST3_OK);
    EXPECT_EQ(obj, view);
    EXPECT_EQ(view->vtbl->query_interface(view, vst3_iid_funknown, &obj), VST3_OK);
    EXPECT_EQ(obj, view);
    EXPECT_EQ(view->vtbl->query_interface(view, vst3_iid_edit_controller, &obj), VST3_NO_INTERFACE);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(view->vtbl->release(view), 2u);
    EXPECT_EQ(view->vtbl->release(view), 1u);

    Vst3ViewRect size = {1, 2, 3, 4};
    EXPECT_EQ(view->vtbl->get_size(view, &size), VST3_OK);
    EXPECT_EQ(size.left, 0);
    EXPECT_EQ(size.top, 0);
    EXPECT_EQ(size.right, 800);
    EXPECT_EQ(size.bottom, 400);
    EXPECT_EQ(view->vtbl->get_size(view, nullptr), VST3_INVALID_ARGUMENT);
    Vst3ViewRect wanted = {0, 0, 1000, 600};
    EXPECT_EQ(view->vtbl->on_size(view, &wanted), VST3_FALSE);
    Vst3ViewRect small = {5, 5, 15, 15};
    EXPECT_EQ(view->vtbl->check_size_constraint(view, &small), VST3_TRUE);
    EXPECT_TRUE(small.left == 5 && small.top == 5 && small.right == 15 && small.bottom == 15);
    EXPECT_EQ(view->vtbl->can_resize(view), VST3_TRUE);
    EXPECT_EQ(view->vtbl->on_wheel(view, 1.0f), VST3_FALSE);
    EXPECT_EQ(view->vtbl->on_key_down(view, u'a', 65, 0), VST3_FALSE);
    EXPECT_EQ(view->vtbl->on_key_up(view, u'a', 65, 0), VST3_FALSE);
    EXPECT_EQ(view->vtbl->on_focus(view, 1), VST3_FALSE);
    EXPECT_EQ(view->vtbl->set_frame(view, nullptr), VST3_OK);
    // Nothing to stop on a view that was never attached.
    EXPECT_EQ(view->vtbl->removed(view), VST3_OK);
}

TEST_F(Vst3View, AttachResizeRemoveAttachAgain)
{
    controller->vtbl->set_param_normalized(controller, DRIVE, 0.7);
    Vst3PlugView* view = new_view();
    ASSERT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_OK);
    HWND content = content_of(view);
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(GetAncestor(content, GA_PARENT), parent);
    StandInViewState state = editor_state(content);
    EXPECT_TRUE(state.found);
    EXPECT_TRUE(state.visible);
    // The page comes from the bundle's Resources folder beside Contents\x86_64-win.
    std::wstring page = state.navigated_to;
    for (wchar_t& ch : page)
        ch = ch == L'/' ? L'\\' : ch;
    EXPECT_NE(page.find(L"with-loader\\wyrel-brolt.vst3\\Contents\\Resources\\index.html"),
              std::wstring::npos)
        << page;
    const float shown[ENGINE_PARAM_COUNT] = {70, 50, 50, 100, 100, 0};
    EXPECT_EQ(tail(posted(content), 6), six_values(shown));

    // A second attach leaves the first editor as it is.
    EXPECT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(content_of(view), content);

    Vst3ViewRect size;
    EXPECT_EQ(view->vtbl->get_size(view, &size), VST3_OK);
    EXPECT_EQ(size.right, 800);
    EXPECT_EQ(size.bottom, 400);
    Vst3ViewRect wanted = {10, 20, 1010, 620};
    EXPECT_EQ(view->vtbl->on_size(view, &wanted), VST3_OK);
    EXPECT_EQ(view->vtbl->get_size(view, &size), VST3_OK);
    EXPECT_TRUE(size.left == 0 && size.top == 0 && size.right == 1000 && size.bottom == 600)
        << size.left << " " << size.top << " " << size.right << " " << size.bottom;
    EXPECT_EQ(view->vtbl->on_size(view, nullptr), VST3_INVALID_ARGUMENT);

    EXPECT_EQ(view->vtbl->removed(view), VST3_OK);
    EXPECT_EQ(record_of(view)->host, nullptr);
    EXPECT_FALSE(IsWindow(content));
    EXPECT_TRUE(editor_state(content).closed);
    EXPECT_EQ(view->vtbl->get_size(view, &size), VST3_OK);
    EXPECT_EQ(size.right, 800);
    EXPECT_EQ(view->vtbl->removed(view), VST3_OK);

    // Values set while detached are the ones a new editor shows.
    controller->vtbl->set_param_normalized(controller, VOLUME, 0.25);
    ASSERT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_OK);
    ASSERT_NE(content_of(view), nullptr);
    const float now[ENGINE_PARAM_COUNT] = {70, 50, 50, 100, 50, 0};
    EXPECT_EQ(tail(posted(content_of(view)), 6), six_values(now));
}

TEST_F(Vst3View, PageGesturesReachTheHandler)
{
    Vst3PlugView* view = new_view();
    ASSERT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_OK);
    struct {
        const wchar_t* message;
        int32_t index;
        double stored;
        std::vector<HandlerCall> calls;
    } cases[] = {
        // Bypass switches at 0.5; the host gets the normalized stored value.
        {L"b 5 3f333333", ENGINE_PARAM_BYPASS, 1.0, {{'b', BYPASS, 0}, {'p', BYPASS, 1.0}}},
        {L"s 4 437a0000", 4, 200.0, {{'p', VOLUME, 1.0}}},        // 250 clamps to 200
        {L"s 3 c2c80000", 3, 0.0, {{'p', MIX, 0.0}}},             // -100 clamps to 0
        {L"e 0 42200000", 0, 40.0, {{'p', DRIVE, 0.4}, {'e', DRIVE, 0}}},
        // A NaN keeps the value but still ends the gesture.
        {L"e 0 7fc00000", 0, 40.0, {{'p', DRIVE, 0.4}, {'e', DRIVE, 0}}},
    };
    for (const auto& c : cases) {
        handler.calls.clear();
        ASSERT_TRUE(page_says(view, c.message)) << c.message;
        EXPECT_EQ(handler.calls, c.calls) << c.message;
        EXPECT_EQ(plain(c.index), c.stored) << c.message;
    }

    // Without a handler the value is stored and nobody is called.
    controller->vtbl->set_component_handler(controller, nullptr);
    EXPECT_EQ(handler.ref_count, 1);
    handler.calls.clear();
    ASSERT_TRUE(page_says(view, L"s 1 41a00000"));
    EXPECT_EQ(plain(1), 20.0);
    EXPECT_TRUE(handler.calls.empty());
}

// "m" page messages are news requests; the reply comes back as "m ...".
TEST_F(Vst3View, NewsRequestsAreAnswered)
{
    // A store of the test's own, not the user's.
    std::wstring appdata = host_wine_path(BROLT_VIEW_APPDATA);
    CreateDirectoryW(appdata.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appdata.c_str());
    Vst3PlugView* view = new_view();
    ASSERT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_OK);
    size_t before = posted(content_of(view)).size();
    ASSERT_TRUE(page_says(view, L"m nuvroV1 getNews "));
    std::vector<std::wstring> after = posted(content_of(view));
    ASSERT_EQ(after.size(), before + 1);
    EXPECT_EQ(after.back().rfind(L"m nuvroV1 getNews ", 0), 0u) << after.back();
}

TEST_F(Vst3View, HostValuesReachEveryAttachedEditor)
{
    Vst3PlugView* first = new_view();
    Vst3PlugView* detached = new_view();
    Vst3PlugView* second = new_view();
    ASSERT_EQ(first->vtbl->attached(first, parent, "HWND"), VST3_OK);
    ASSERT_EQ(second->vtbl->attached(second, parent, "HWND"), VST3_OK);
    EXPECT_EQ(record_of(detached)->host, nullptr);

    ASSERT_EQ(controller->vtbl->set_param_normalized(controller, MIX, 0.25), VST3_OK);
    for (Vst3PlugView* view : {first, second})
        EXPECT_EQ(tail(posted(content_of(view)), 1), std::vector<std::wstring>{L"s 00000003 41c80000"});
    ASSERT_EQ(controller->vtbl->set_param_normalized(controller, BYPASS, 0.5), VST3_OK);
    for (Vst3PlugView* view : {first, second})
        EXPECT_EQ(tail(posted(content_of(view)), 1), std::vector<std::wstring>{value_message(5, 1.0f)});
    EXPECT_TRUE(handler.calls.empty()) << "host values are not echoed to the host";

    // A restored document: all six values, in index order, to each editor.
    const float saved[ENGINE_PARAM_COUNT] = {12, 34, 56, 78, 190, 0};
    MemoryStream stream;
    ASSERT_EQ(vst3_state_save(stream.stream(), saved, 48000.0f), VST3_OK);
    stream.position = 0;
    size_t before = posted(content_of(first)).size();
    ASSERT_EQ(controller->vtbl->set_component_state(controller, stream.stream()), VST3_OK);
    for (Vst3PlugView* view : {first, second})
        EXPECT_EQ(tail(posted(content_of(view)), 6), six_values(saved));

    // A refused document tells nobody.
    MemoryStream broken(std::vector<uint8_t>(100, 0x41));
    EXPECT_EQ(controller->vtbl->set_component_state(controller, broken.stream()), VST3_FALSE);
    EXPECT_EQ(posted(content_of(first)).size(), before + 6);
}

TEST_F(Vst3View, RegistryReusesTheFirstFreeSlot)
{
    Vst3PlugView* a = new_view();
    Vst3PlugView* b = new_view();
    ASSERT_TRUE(a && b && a != b);
    const vst3_controller* c = record_of(controller);
    ASSERT_EQ(c->view_count, 2u);
    EXPECT_EQ((void*)c->views[0], (void*)a);
    EXPECT_EQ((void*)c->views[1], (void*)b);
    EXPECT_EQ(record_of(a)->ref_count, 1);
    EXPECT_EQ((const void*)record_of(a)->controller, (const void*)c);

    EXPECT_EQ(release(a), 0u);
    EXPECT_EQ(c->views[0], nullptr);
    Vst3PlugView* third = new_view();
    EXPECT_EQ(c->view_count, 2u);
    EXPECT_EQ((void*)c->views[0], (void*)third);
    EXPECT_EQ(release(b), 0u);
    Vst3PlugView* fourth = new_view();
    EXPECT_EQ(c->view_count, 2u);
    EXPECT_EQ((void*)c->views[1], (void*)fourth);
    Vst3PlugView* fifth = new_view();
    EXPECT_EQ(c->view_count, 3u);
    EXPECT_EQ((void*)c->views[2], (void*)fifth);
}

TEST_F(Vst3View, ReleasingAnAttachedViewClosesItsEditor)
{
    Vst3PlugView* view = new_view();
    ASSERT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_OK);
    HWND content = content_of(view);
    EXPECT_EQ(release(view), 0u);
    EXPECT_FALSE(IsWindow(content));
    EXPECT_TRUE(editor_state(content).closed);
    EXPECT_EQ(record_of(controller)->views[0], nullptr);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
}

// The controller holds no reference on its views: one the host still holds
// outlives it, stays usable and is released later without touching it.
TEST_F(Vst3View, ViewOutlivesItsController)
{
    Vst3PlugView* attached = new_view();
    Vst3PlugView* detached = new_view();
    ASSERT_EQ(attached->vtbl->attached(attached, parent, "HWND"), VST3_OK);
    HWND content = content_of(attached);
    EXPECT_EQ(controller->vtbl->release(controller), 0u);
    controller = nullptr;
    EXPECT_EQ(handler.ref_count, 1);
    EXPECT_EQ(record_of(attached)->ref_count, 1);
    EXPECT_EQ(record_of(attached)->controller, nullptr);
    EXPECT_EQ(record_of(detached)->controller, nullptr);
    EXPECT_TRUE(IsWindow(content));

    // Page edits have nowhere to go; the editor keeps answering.
    handler.calls.clear();
    ASSERT_TRUE(page_says(attached, L"b 0 42200000"));
    EXPECT_TRUE(handler.calls.empty());
    Vst3ViewRect size;
    EXPECT_EQ(attached->vtbl->get_size(attached, &size), VST3_OK);
    EXPECT_EQ(size.right, 800);
    // No controller, no values: the lone view opens no editor.
    EXPECT_EQ(detached->vtbl->attached(detached, parent, "HWND"), VST3_FALSE);

    EXPECT_EQ(attached->vtbl->removed(attached), VST3_OK);
    EXPECT_FALSE(IsWindow(content));
    EXPECT_EQ(release(attached), 0u);
    EXPECT_EQ(release(detached), 0u);
}

TEST_F(Vst3View, NoLoaderNoEditor)
{
    Vst3EditController* bare = create_controller(bare_factory());
    ASSERT_NE(bare, nullptr);
    Vst3PlugView* view = new_view(bare);
    ASSERT_NE(view, nullptr);
    for (int attempt = 0; attempt < 2; attempt++) {
        EXPECT_EQ(view->vtbl->attached(view, parent, "HWND"), VST3_FALSE);
        EXPECT_EQ(record_of(view)->host, nullptr);
    }
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    Vst3ViewRect size;
    EXPECT_EQ(view->vtbl->get_size(view, &size), VST3_OK);
    EXPECT_TRUE(size.right == 800 && size.bottom == 400);
    Vst3ViewRect wanted = {0, 0, 100, 100};
    EXPECT_EQ(view->vtbl->on_size(view, &wanted), VST3_FALSE);
    EXPECT_EQ(release(view), 0u);
    EXPECT_EQ(bare->vtbl->release(bare), 0u);
}

} // namespace
