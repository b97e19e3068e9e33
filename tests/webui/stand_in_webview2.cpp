// A stand-in for WebView2Loader.dll and the runtime behind it, for the Web UI
// tests only. It hands out environment, controller, webview, settings and
// event-argument objects with the platform's slot layouts (taken here by slot
// number, independently of the editor's own declarations), delivers every
// completion and event later through the calling thread's message loop, and
// records each call.
#include "tests/webui/stand_in_webview2.h"

#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// IIDs as bytes in memory, straight from the platform's table.
struct IidBytes {
    unsigned char b[16];
};
const IidBytes iid_unknown = {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IidBytes iid_environment = {{0x5E, 0x75, 0x6D, 0xB9, 0x19, 0x03, 0x92, 0x4E, 0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
const IidBytes iid_environment5 = {{0x3D, 0x42, 0x9E, 0x31, 0xD7, 0xE0, 0x8D, 0x4B, 0x92, 0x54, 0xAE, 0x94, 0x75, 0xDE, 0x9B, 0x17}};
const IidBytes iid_controller = {{0xD1, 0xC0, 0x00, 0x4D, 0x34, 0x94, 0xB6, 0x4E, 0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}};
const IidBytes iid_controller4 = {{0xD5, 0x18, 0xD4, 0x97, 0x26, 0xA4, 0x49, 0x4E, 0xA1, 0x51, 0xE1, 0xA1, 0x0F, 0x32, 0x7D, 0x9E}};
const IidBytes iid_webview = {{0xCB, 0xEA, 0xEC, 0x76, 0x62, 0x04, 0x94, 0x4D, 0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
const IidBytes iid_settings = {{0xF0, 0xE4, 0x62, 0xE5, 0xFA, 0xD7, 0xAC, 0x43, 0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}};
const IidBytes iid_settings3 = {{0x74, 0xAB, 0xB5, 0xFD, 0x33, 0xAF, 0x54, 0x48, 0x84, 0xF0, 0x0A, 0x63, 0x1D, 0xEB, 0x5E, 0xBA}};
const IidBytes iid_settings4 = {{0x6C, 0x84, 0x56, 0xCB, 0x68, 0x41, 0x53, 0x4D, 0xB0, 0x4F, 0x03, 0xB6, 0xD6, 0x79, 0x6F, 0xF2}};
const IidBytes iid_settings5 = {{0x52, 0x70, 0x3E, 0x18, 0x03, 0x1D, 0xA0, 0x43, 0xAB, 0x99, 0x98, 0xE0, 0x43, 0xB6, 0x6B, 0x39}};
const IidBytes iid_settings6 = {{0xCD, 0x3A, 0xCB, 0x11, 0xC8, 0x9B, 0xB8, 0x43, 0x83, 0xBF, 0xF4, 0x07, 0x53, 0x71, 0x4F, 0x87}};

bool same_iid(const void* iid, const IidBytes& bytes)
{
    return memcmp(iid, bytes.b, 16) == 0;
}

enum Kind { kind_environment, kind_controller, kind_webview, kind_settings, kind_message_args, kind_navigation_args,
            kind_new_window_args, kind_count };
const char* const kind_names[kind_count] = {"environment", "controller", "webview", "settings",
                                            "message_args", "navigation_args", "new_window_args"};
const int kind_slots[kind_count] = {14, 38, 61, 33, 6, 10, 11};
void* tables[kind_count][64];

struct View;

// One record for every kind of object: a table pointer first, like COM.
struct Obj {
    void** table;
    LONG refs;
    Kind kind;
    View* view;
    // environment
    struct Obj* environment;
    HWND pump;
    std::wstring folder;
    HANDLE folder_lock;
    void* exit_handler;
    // event arguments
    std::wstring text;
    bool as_string;
    BOOL cancel;
    BOOL handled;
};

struct View {
    Obj controller;
    Obj webview;
    Obj settings;
    Obj* environment;
    HWND parent;
    void* message_handler;
    void* navigation_handler;
    void* new_window_handler;
    std::vector<std::wstring> posted;
    StandInViewState state;
};

CRITICAL_SECTION lock;
StandInConfig config;
std::vector<std::string> call_log;
std::vector<Obj*> objects;
std::vector<View*> views;
std::vector<void*> unanswered; // handlers of never-answered start-ups
int held_handlers;
char last_class[32];
HINSTANCE module_instance;
const UINT run_task = WM_APP + 77;

struct Guard {
    Guard() { EnterCriticalSection(&lock); }
    ~Guard() { LeaveCriticalSection(&lock); }
};

void log_call(const char* format, ...)
{
    char line[600];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Guard g;
    call_log.push_back(line);
}

std::string narrow(const wchar_t* text)
{
    if (!text)
        return "(null)";
    std::string out;
    for (; *text; text++)
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// ---- COM helpers on interfaces given to us --------------------------------------

typedef ULONG(__stdcall* UnknownFn)(void*);
void com_add_ref(void* object)
{
    reinterpret_cast<UnknownFn>((*static_cast<void***>(object))[1])(object);
}
void com_release(void* object)
{
    reinterpret_cast<UnknownFn>((*static_cast<void***>(object))[2])(object);
}
template <typename Fn>
Fn com_slot(void* object, int slot)
{
    return reinterpret_cast<Fn>((*static_cast<void***>(object))[slot]);
}

void hold_handler(void* handler)
{
    com_add_ref(handler);
    Guard g;
    held_handlers++;
}
void drop_handler(void* handler)
{
    if (!handler)
        return;
    {
        Guard g;
        held_handlers--;
    }
    com_release(handler);
}

// Runs fn later on the pump window's thread, from its message loop.
void post_task(HWND pump, std::function<void()> fn)
{
    auto* task = new std::function<void()>(std::move(fn));
    if (!pump || !PostMessageW(pump, run_task, 0, reinterpret_cast<LPARAM>(task)))
        delete task;
}

LRESULT CALLBACK pump_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == run_task) {
        auto* task = reinterpret_cast<std::function<void()>*>(lparam);
        (*task)();
        delete task;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

wchar_t* task_copy(const std::wstring& text)
{
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    wchar_t* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    memcpy(copy, text.c_str(), bytes);
    return copy;
}

void release_folder(Obj* environment)
{
    if (environment->folder_lock) {
        CloseHandle(environment->folder_lock);
        environment->folder_lock = nullptr;
    }
}

// ---- IUnknown of our objects ------------------------------------------------------

HRESULT __stdcall obj_query_interface(Obj* self, const void* iid, void** out);

ULONG __stdcall obj_add_ref(Obj* self)
{
    return static_cast<ULONG>(InterlockedIncrement(&self->refs));
}

ULONG __stdcall obj_release(Obj* self)
{
    LONG refs = InterlockedDecrement(&self->refs);
    if (refs < 0)
        log_call("%s.Release below zero", kind_names[self->kind]);
    if (refs == 0 && self->kind == kind_environment) {
        release_folder(self);
        if (self->pump)
            DestroyWindow(self->pump);
        self->pump = nullptr;
    }
    if (refs == 0 && self->kind == kind_controller && self->view->environment) {
        Obj* environment = self->view->environment;
        self->view->environment = nullptr;
        obj_release(environment);
    }
    return static_cast<ULONG>(refs < 0 ? 0 : refs);
}

HRESULT __stdcall obj_query_interface(Obj* self, const void* iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    bool ok = same_iid(iid, iid_unknown);
    switch (self->kind) {
    case kind_environment:
        ok = ok || same_iid(iid, iid_environment) || (!config.lacks_environment5 && same_iid(iid, iid_environment5));
        break;
    case kind_controller:
        ok = ok || same_iid(iid, iid_controller) || (!config.lacks_controller4 && same_iid(iid, iid_controller4));
        break;
    case kind_webview: ok = ok || same_iid(iid, iid_webview); break;
    case kind_settings:
        ok = ok || same_iid(iid, iid_settings) || same_iid(iid, iid_settings3) || same_iid(iid, iid_settings4) ||
             same_iid(iid, iid_settings5) || (!config.lacks_settings6 && same_iid(iid, iid_settings6));
        break;
    default: break;
    }
    if (!ok)
        return E_NOINTERFACE;
    obj_add_ref(self);
    *out = self;
    return S_OK;
}

Obj* new_obj(Kind kind, LONG refs)
{
    Obj* obj = new Obj();
    obj->table = tables[kind];
    obj->kind = kind;
    obj->refs = refs;
    Guard g;
    objects.push_back(obj);
    return obj;
}

// ---- Environment --------------------------------------------------------------------

void deliver_controller(View* view, void* handler);

HRESULT __stdcall environment_create_controller(Obj* self, HWND parent, void* handler)
{
    log_call("environment.CreateCoreWebView2Controller");
    if (config.create_controller_fails)
        return E_FAIL;
    View* view = new View();
    for (Obj* part : {&view->controller, &view->webview, &view->settings})
        part->view = view;
    view->controller.table = tables[kind_controller];
    view->controller.kind = kind_controller;
    view->controller.refs = 1; // ours until Close
    view->webview.table = tables[kind_webview];
    view->webview.kind = kind_webview;
    view->settings.table = tables[kind_settings];
    view->settings.kind = kind_settings;
    view->parent = parent;
    view->environment = self;
    obj_add_ref(self);
    view->state.found = true;
    GetClassNameA(parent, view->state.content_class, sizeof view->state.content_class);
    wcsncpy(view->state.user_data_folder, self->folder.c_str(), 511);
    {
        Guard g;
        views.push_back(view);
    }
    hold_handler(handler);
    post_task(self->pump, [view, handler] { deliver_controller(view, handler); });
    return S_OK;
}

HRESULT __stdcall environment_add_browser_process_exited(Obj* self, void* handler, long long* token)
{
    log_call("environment.add_BrowserProcessExited");
    if (!handler || !token)
        return E_POINTER;
    *token = 1;
    hold_handler(handler);
    if (self->exit_handler)
        drop_handler(self->exit_handler);
    self->exit_handler = handler;
    return S_OK;
}

// ---- Controller ---------------------------------------------------------------------

typedef HRESULT(__stdcall* ControllerCompletedFn)(void*, HRESULT, void*);

void deliver_controller(View* view, void* handler)
{
    void* controller = config.controller_null ? nullptr : &view->controller;
    HRESULT result = config.controller_fails ? E_FAIL : S_OK;
    com_slot<ControllerCompletedFn>(handler, 3)(handler, result, config.controller_fails ? nullptr : controller);
    drop_handler(handler);
    if (config.controller_fails || config.controller_null) {
        // Never handed out: the runtime drops it.
        view->state.closed = true;
        obj_release(&view->controller);
    }
}

HRESULT __stdcall controller_put_is_visible(Obj* self, BOOL visible)
{
    log_call("controller.put_IsVisible %d", visible);
    self->view->state.visible = visible != FALSE;
    return S_OK;
}

HRESULT __stdcall controller_put_bounds(Obj* self, RECT bounds)
{
    log_call("controller.put_Bounds %ld %ld %ld %ld", bounds.left, bounds.top, bounds.right, bounds.bottom);
    if (config.bounds_fail)
        return E_FAIL;
    Guard g;
    self->view->state.bounds = bounds;
    return S_OK;
}

HRESULT __stdcall controller_move_focus(Obj*, int reason)
{
    log_call("controller.MoveFocus %d", reason);
    return S_OK;
}

HRESULT __stdcall controller_close(Obj* self)
{
    View* view = self->view;
    log_call("controller.Close");
    if (view->state.closed)
        return S_OK;
    view->state.closed = true;
    view->state.closed_while_window_existed = IsWindow(view->parent) != FALSE;
    drop_handler(view->message_handler);
    drop_handler(view->navigation_handler);
    drop_handler(view->new_window_handler);
    view->message_handler = view->navigation_handler = view->new_window_handler = nullptr;
    // The browser lets go of its folder some time after the last WebView has
    // closed, and says so where it can.
    Obj* environment = view->environment;
    if (environment && environment->exit_handler) {
        obj_add_ref(environment);
        post_task(environment->pump, [environment] {
            release_folder(environment);
            void* handler = environment->exit_handler;
            environment->exit_handler = nullptr;
            log_call("browser exited");
            com_slot<HRESULT(__stdcall*)(void*, void*, void*)>(handler, 3)(handler, environment, nullptr);
            drop_handler(handler);
            obj_release(environment);
        });
    } else if (environment) {
        release_folder(environment);
    }
    obj_release(self);
    return S_OK;
}

HRESULT __stdcall controller_get_webview(Obj* self, void** webview)
{
    log_call("controller.get_CoreWebView2");
    if (self->view->state.closed) {
        *webview = nullptr;
        return E_FAIL;
    }
    obj_add_ref(&self->view->webview);
    *webview = &self->view->webview;
    return S_OK;
}

HRESULT __stdcall controller_put_allow_external_drop(Obj*, BOOL allow)
{
    log_call("controller.put_AllowExternalDrop %d", allow);
    return S_OK;
}

// ---- Webview ----------------------------------------------------------------------------

void deliver_navigation_event(View* view, const std::wstring& uri, bool new_window);

HRESULT __stdcall webview_get_settings(Obj* self, void** settings)
{
    log_call("webview.get_Settings");
    obj_add_ref(&self->view->settings);
    *settings = &self->view->settings;
    return S_OK;
}

HRESULT __stdcall webview_navigate(Obj* self, const wchar_t* uri)
{
    log_call("webview.Navigate %s", narrow(uri).c_str());
    if (config.navigate_fails || !uri)
        return E_FAIL;
    View* view = self->view;
    wcsncpy(view->state.navigated_to, uri, 511);
    // The control reports the navigation to a local path as a file URI.
    std::wstring file_uri = L"file:///";
    for (const wchar_t* c = uri; *c; c++)
        file_uri += *c == L'\\' ? L'/' : *c;
    post_task(view->environment->pump, [view, file_uri] { deliver_navigation_event(view, file_uri, false); });
    return S_OK;
}

HRESULT register_handler(View* view, void** slot, void* handler, long long* token, const char* name, bool fail)
{
    log_call("webview.%s", name);
    if (fail)
        return E_FAIL;
    if (!handler || !token)
        return E_POINTER;
    hold_handler(handler);
    drop_handler(*slot);
    *slot = handler;
    *token = 1;
    (void)view;
    return S_OK;
}

HRESULT __stdcall webview_add_navigation_starting(Obj* self, void* handler, long long* token)
{
    return register_handler(self->view, &self->view->navigation_handler, handler, token, "add_NavigationStarting",
                            false);
}

HRESULT __stdcall webview_add_web_message_received(Obj* self, void* handler, long long* token)
{
    return register_handler(self->view, &self->view->message_handler, handler, token, "add_WebMessageReceived",
                            config.add_message_fails);
}

HRESULT __stdcall webview_add_new_window_requested(Obj* self, void* handler, long long* token)
{
    return register_handler(self->view, &self->view->new_window_handler, handler, token, "add_NewWindowRequested",
                            false);
}

HRESULT __stdcall webview_post_web_message_as_string(Obj* self, const wchar_t* text)
{
    Guard g;
    self->view->posted.push_back(text ? text : L"");
    self->view->state.posted_count = self->view->posted.size();
    return S_OK;
}

// ---- Settings ---------------------------------------------------------------------------

#define SETTING(name, fails)                                      \
    HRESULT __stdcall settings_##name(Obj*, BOOL value)           \
    {                                                             \
        log_call("settings." #name " %d", value);                 \
        return fails;                                             \
    }
SETTING(put_IsScriptEnabled, config.script_enabled_s_false ? S_FALSE : S_OK)
SETTING(put_AreDefaultScriptDialogsEnabled, S_OK)
SETTING(put_IsStatusBarEnabled, S_OK)
SETTING(put_AreDevToolsEnabled, S_OK)
SETTING(put_AreDefaultContextMenusEnabled, S_OK)
SETTING(put_AreHostObjectsAllowed, config.host_objects_fail ? E_FAIL : S_OK)
SETTING(put_IsZoomControlEnabled, S_OK)
SETTING(put_AreBrowserAcceleratorKeysEnabled, S_OK)
SETTING(put_IsPasswordAutosaveEnabled, S_OK)
SETTING(put_IsGeneralAutofillEnabled, S_OK)
SETTING(put_IsPinchZoomEnabled, S_OK)
SETTING(put_IsSwipeNavigationEnabled, S_OK)

// ---- Event arguments ------------------------------------------------------------------

HRESULT __stdcall args_try_get_string(Obj* self, wchar_t** text)
{
    if (!self->as_string)
        return E_INVALIDARG;
    *text = task_copy(self->text);
    return S_OK;
}

HRESULT __stdcall args_get_uri(Obj* self, wchar_t** uri)
{
    *uri = task_copy(self->text);
    return S_OK;
}

HRESULT __stdcall args_put_cancel(Obj* self, BOOL cancel)
{
    self->cancel = cancel;
    return S_OK;
}

HRESULT __stdcall args_put_handled(Obj* self, BOOL handled)
{
    self->handled = handled;
    return S_OK;
}

typedef HRESULT(__stdcall* EventFn)(void*, void*, void*);

void finish_event(View* view, HRESULT result, Obj* args)
{
    Guard g;
    view->state.events_delivered++;
    view->state.last_event_result = result;
    view->state.last_cancel = args->cancel;
    view->state.last_handled = args->handled;
    view->state.posted_at_last_event = view->posted.size();
}

void deliver_event(View* view, Kind kind, const std::wstring& text, bool as_string)
{
    void* handler = nullptr;
    {
        Guard g;
        handler = kind == kind_message_args      ? view->message_handler
                  : kind == kind_navigation_args ? view->navigation_handler
                                                 : view->new_window_handler;
        if (handler) {
            com_add_ref(handler);
            held_handlers++;
        }
    }
    Obj* args = new_obj(kind, 1);
    args->text = text;
    args->as_string = as_string;
    HRESULT result = E_UNEXPECTED;
    if (handler) {
        result = com_slot<EventFn>(handler, 3)(handler, &view->webview, args);
        drop_handler(handler);
    }
    finish_event(view, result, args);
    obj_release(args);
}

void deliver_navigation_event(View* view, const std::wstring& uri, bool new_window)
{
    deliver_event(view, new_window ? kind_new_window_args : kind_navigation_args, uri, true);
}

// ---- Stubs for the slots the editor must never call --------------------------------------

template <int K, int S>
HRESULT __stdcall unexpected(void*)
{
    log_call("unexpected %s slot %d", kind_names[K], S);
    return E_NOTIMPL;
}

template <int K, size_t... S>
void fill_stubs(std::index_sequence<S...>)
{
    ((tables[K][S] = reinterpret_cast<void*>(&unexpected<K, static_cast<int>(S)>)), ...);
}

template <typename Fn>
void* slot(Fn fn)
{
    return reinterpret_cast<void*>(fn);
}

void build_tables()
{
    fill_stubs<kind_environment>(std::make_index_sequence<14>());
    fill_stubs<kind_controller>(std::make_index_sequence<38>());
    fill_stubs<kind_webview>(std::make_index_sequence<61>());
    fill_stubs<kind_settings>(std::make_index_sequence<33>());
    fill_stubs<kind_message_args>(std::make_index_sequence<6>());
    fill_stubs<kind_navigation_args>(std::make_index_sequence<10>());
    fill_stubs<kind_new_window_args>(std::make_index_sequence<11>());
    for (int k = 0; k < kind_count; k++) {
        tables[k][0] = slot(obj_query_interface);
        tables[k][1] = slot(obj_add_ref);
        tables[k][2] = slot(obj_release);
    }
    tables[kind_environment][3] = slot(environment_create_controller);
    tables[kind_environment][12] = slot(environment_add_browser_process_exited);

    tables[kind_controller][4] = slot(controller_put_is_visible);
    tables[kind_controller][6] = slot(controller_put_bounds);
    tables[kind_controller][12] = slot(controller_move_focus);
    tables[kind_controller][24] = slot(controller_close);
    tables[kind_controller][25] = slot(controller_get_webview);
    tables[kind_controller][37] = slot(controller_put_allow_external_drop);

    tables[kind_webview][3] = slot(webview_get_settings);
    tables[kind_webview][5] = slot(webview_navigate);
    tables[kind_webview][7] = slot(webview_add_navigation_starting);
    tables[kind_webview][33] = slot(webview_post_web_message_as_string);
    tables[kind_webview][34] = slot(webview_add_web_message_received);
    tables[kind_webview][44] = slot(webview_add_new_window_requested);

    void** s = tables[kind_settings];
    s[4] = slot(settings_put_IsScriptEnabled);
    s[8] = slot(settings_put_AreDefaultScriptDialogsEnabled);
    s[10] = slot(settings_put_IsStatusBarEnabled);
    s[12] = slot(settings_put_AreDevToolsEnabled);
    s[14] = slot(settings_put_AreDefaultContextMenusEnabled);
    s[16] = slot(settings_put_AreHostObjectsAllowed);
    s[18] = slot(settings_put_IsZoomControlEnabled);
    s[24] = slot(settings_put_AreBrowserAcceleratorKeysEnabled);
    s[26] = slot(settings_put_IsPasswordAutosaveEnabled);
    s[28] = slot(settings_put_IsGeneralAutofillEnabled);
    s[30] = slot(settings_put_IsPinchZoomEnabled);
    s[32] = slot(settings_put_IsSwipeNavigationEnabled);

    tables[kind_message_args][5] = slot(args_try_get_string);
    tables[kind_navigation_args][3] = slot(args_get_uri);
    tables[kind_navigation_args][8] = slot(args_put_cancel);
    tables[kind_new_window_args][3] = slot(args_get_uri);
    tables[kind_new_window_args][6] = slot(args_put_handled);
}

// ---- Control interface for the tests --------------------------------------------------

View* find_view(HWND content_window)
{
    Guard g;
    for (size_t i = views.size(); i-- > 0;)
        if (views[i]->parent == content_window)
            return views[i];
    return nullptr;
}

void api_reset(const StandInConfig* new_config)
{
    std::vector<void*> pending;
    {
        Guard g;
        config = new_config ? *new_config : StandInConfig();
        call_log.clear();
        pending.swap(unanswered);
        // Objects nobody holds any more are forgotten.
        std::vector<Obj*> kept;
        for (Obj* obj : objects) {
            if (obj->refs > 0)
                kept.push_back(obj);
            else
                delete obj;
        }
        objects.swap(kept);
        std::vector<View*> kept_views;
        for (View* view : views) {
            if (view->controller.refs > 0 || view->webview.refs > 0 || view->settings.refs > 0 || !view->state.closed)
                kept_views.push_back(view);
            else
                delete view;
        }
        views.swap(kept_views);
    }
    for (void* handler : pending)
        drop_handler(handler);
}

size_t api_log_text(char* buffer, size_t size)
{
    Guard g;
    std::string all;
    for (const std::string& line : call_log)
        all += line + "\n";
    if (buffer && size) {
        size_t n = all.size() < size - 1 ? all.size() : size - 1;
        memcpy(buffer, all.data(), n);
        buffer[n] = '\0';
    }
    return all.size();
}

bool api_view_state(HWND content_window, StandInViewState* state)
{
    View* view = find_view(content_window);
    Guard g;
    *state = view ? view->state : StandInViewState();
    return view != nullptr;
}

bool api_posted_text(HWND content_window, size_t i, wchar_t* buffer, size_t size)
{
    View* view = find_view(content_window);
    Guard g;
    if (!view || i >= view->posted.size())
        return false;
    wcsncpy(buffer, view->posted[i].c_str(), size - 1);
    buffer[size - 1] = L'\0';
    return true;
}

bool post_event(HWND content_window, Kind kind, const wchar_t* text, bool as_string)
{
    View* view = find_view(content_window);
    if (!view || !view->environment)
        return false;
    std::wstring copy = text;
    post_task(view->environment->pump, [view, kind, copy, as_string] { deliver_event(view, kind, copy, as_string); });
    return true;
}

bool api_deliver_message(HWND content_window, const wchar_t* text, bool as_string)
{
    return post_event(content_window, kind_message_args, text, as_string);
}

bool api_deliver_navigation(HWND content_window, const wchar_t* uri)
{
    return post_event(content_window, kind_navigation_args, uri, true);
}

bool api_deliver_new_window(HWND content_window, const wchar_t* uri)
{
    return post_event(content_window, kind_new_window_args, uri, true);
}

int api_live_objects()
{
    Guard g;
    int live = held_handlers;
    for (Obj* obj : objects)
        live += obj->refs > 0;
    for (View* view : views)
        live += (view->controller.refs > 0) + (view->webview.refs > 0) + (view->settings.refs > 0);
    return live;
}

size_t api_last_content_class(char* buffer, size_t size)
{
    Guard g;
    snprintf(buffer, size, "%s", last_class);
    return strlen(last_class);
}

const StandInApi api = {api_reset,          api_log_text,           api_view_state,         api_posted_text,
                        api_deliver_message, api_deliver_navigation, api_deliver_new_window, api_live_objects,
                        api_last_content_class};

BOOL CALLBACK note_content_window(HWND window, LPARAM)
{
    Guard g;
    GetClassNameA(window, last_class, sizeof last_class);
    return FALSE;
}

typedef HRESULT(__stdcall* GetTextFn)(void*, wchar_t**);
typedef HRESULT(__stdcall* GetBoolFn)(void*, BOOL*);

std::string read_option(void* options, int slot)
{
    wchar_t* text = nullptr;
    HRESULT result = com_slot<GetTextFn>(options, slot)(options, &text);
    std::string value = result == S_OK ? narrow(text) : "(failed)";
    CoTaskMemFree(text);
    return value;
}

} // namespace

extern "C" __declspec(dllexport) const StandInApi* stand_in_webview2_api(void)
{
    return &api;
}

typedef HRESULT(__stdcall* EnvironmentCompletedFn)(void*, HRESULT, void*);

extern "C" __declspec(dllexport) HRESULT __stdcall CreateCoreWebView2EnvironmentWithOptions(
    const wchar_t* browser_folder, const wchar_t* user_data_folder, void* options, void* handler)
{
    log_call("CreateCoreWebView2EnvironmentWithOptions %s", narrow(browser_folder).c_str());
    EnumThreadWindows(GetCurrentThreadId(), note_content_window, 0);
    if (options) {
        // Read through the getters, as the runtime does.
        log_call("options.TargetCompatibleBrowserVersion %s", read_option(options, 7).c_str());
        log_call("options.AdditionalBrowserArguments %s", read_option(options, 3).c_str());
        log_call("options.Language %s", read_option(options, 5).c_str());
        BOOL sso = TRUE;
        com_slot<GetBoolFn>(options, 9)(options, &sso);
        log_call("options.AllowSingleSignOnUsingOSPrimaryAccount %d", sso);
    }
    if (!handler || !user_data_folder)
        return E_POINTER;
    CreateDirectoryW(user_data_folder, nullptr);
    if (config.create_environment_result < 0)
        return config.create_environment_result;

    hold_handler(handler);
    if (config.never_answer) {
        Guard g;
        unanswered.push_back(handler);
        return S_OK;
    }
    Obj* environment = new_obj(kind_environment, 1);
    environment->folder = user_data_folder;
    environment->pump = CreateWindowExW(0, L"BroltStandInPump", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        module_instance, nullptr);
    if (config.hold_folder)
        environment->folder_lock =
            CreateFileW((std::wstring(user_data_folder) + L"\\in-use").c_str(), GENERIC_WRITE, 0, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    post_task(environment->pump, [environment, handler] {
        HRESULT result = config.environment_fails ? E_FAIL : S_OK;
        void* given = config.environment_fails || config.environment_null ? nullptr : environment;
        com_slot<EnvironmentCompletedFn>(handler, 3)(handler, result, given);
        drop_handler(handler);
        obj_release(environment);
    });
    return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        module_instance = instance;
        InitializeCriticalSection(&lock);
        build_tables();
        WNDCLASSW pump_class;
        memset(&pump_class, 0, sizeof pump_class);
        pump_class.lpfnWndProc = pump_proc;
        pump_class.hInstance = instance;
        pump_class.lpszClassName = L"BroltStandInPump";
        RegisterClassW(&pump_class);
    }
    return TRUE;
}
