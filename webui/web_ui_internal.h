// Pieces of the Web UI host shared between its own files.
#pragma once

#include "webui/web_ui.h"
#include "webui/webview2_abi.h"

#include <cstring>

// Private window messages. The four for the content window are taken out of
// the UI thread's queue by number; the three edits go to the dispatch window.
enum : UINT {
    WM_WEB_UI_READY = WM_APP + 0,
    WM_WEB_UI_QUIT = WM_APP + 1,
    WM_WEB_UI_SET_PARAMETER = WM_APP + 2,
    WM_WEB_UI_SEND_MESSAGE = WM_APP + 3,
    WM_WEB_UI_BEGIN_EDIT = WM_APP + 4,
    WM_WEB_UI_EDIT = WM_APP + 5,
    WM_WEB_UI_END_EDIT = WM_APP + 6,
};

// Given to the UI thread; lives on the creator's stack until web_ui_create
// returns, which is never before the UI thread has let go of it.
struct WebUiThreadStart {
    WebUiHost* host;
    bool embed;
    HWND parent_window;
    int32_t width;
    int32_t height;
    Wv2CreateEnvironmentFn create_environment;
    const wchar_t* page_path;
    const wchar_t* temp_file_path;
};

// How long web_ui_create waits for the WebView2 runtime before it gives up.
// A variable so that the tests can shorten it.
extern DWORD web_ui_start_timeout_ms;

// ---- The two COM objects ----------------------------------------------------

struct WV2EnvironmentOptions;
struct Wv2OptionsTable {
    ICoreWebView2EnvironmentOptionsVtbl iface;
    void (*destroy)(WV2EnvironmentOptions* options);
    void (*destroy_and_free)(WV2EnvironmentOptions* options);
};

struct WV2EnvironmentOptions {
    const Wv2OptionsTable* table;
    LPWSTR additional_browser_arguments;
    LPWSTR language;
    LPWSTR target_compatible_browser_version;
    BOOL allow_single_sign_on_using_os_primary_account;
    volatile LONG reference_count;
};

// Null when out of memory. Starts with one reference.
WV2EnvironmentOptions* wv2_options_create(const wchar_t* target_version);
ICoreWebView2EnvironmentOptions* wv2_options_interface(WV2EnvironmentOptions* options);

struct Wv2HandlerTable {
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandlerVtbl environment_completed;
    void (*destroy)(WV2Handler* handler);
    void (*destroy_and_free)(WV2Handler* handler);
    decltype(ICoreWebView2CreateCoreWebView2ControllerCompletedHandlerVtbl::Invoke) controller_completed;
    decltype(ICoreWebView2WebMessageReceivedEventHandlerVtbl::Invoke) web_message_received;
    decltype(ICoreWebView2NavigationStartingEventHandlerVtbl::Invoke) navigation_starting;
    decltype(ICoreWebView2NewWindowRequestedEventHandlerVtbl::Invoke) new_window_requested;
};

struct WV2Handler {
    const Wv2HandlerTable* environment_completed;
    const ICoreWebView2CreateCoreWebView2ControllerCompletedHandlerVtbl* controller_completed;
    const ICoreWebView2WebMessageReceivedEventHandlerVtbl* web_message_received;
    const ICoreWebView2NavigationStartingEventHandlerVtbl* navigation_starting;
    const ICoreWebView2NewWindowRequestedEventHandlerVtbl* new_window_requested;
    // Told when the browser has let go of the user-data folder.
    const ICoreWebView2BrowserProcessExitedEventHandlerVtbl* browser_process_exited;
    volatile LONG reference_count;
    WebUiHost* host;
    LPWSTR page_uri;
    char message_buffer[1024];
    volatile LONG browser_exited;
};

// Null when out of memory. Starts with one reference.
WV2Handler* wv2_handler_create(WebUiHost* host, const wchar_t* page_path);
ULONG wv2_handler_release(WV2Handler* handler);
ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* wv2_handler_environment_completed(WV2Handler* handler);
ICoreWebView2BrowserProcessExitedEventHandler* wv2_handler_browser_process_exited(WV2Handler* handler);

// ---- UI thread ----------------------------------------------------------------

DWORD WINAPI web_ui_thread_main(void* start);
LRESULT CALLBACK web_ui_content_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Closes and releases the controller (UI thread). Safe to call twice.
void web_ui_close_controller(WebUiHost* host);

// ---- Page bridge (UI thread) ------------------------------------------------

void web_ui_dispatch_page_message(WebUiHost* host, const WebUiCallbacks* page, const char* text);
// Stores the value and posts "s %08x %08x" to the page.
void web_ui_send_value(WebUiHost* host, uint32_t index, float value);
// Posts "m " and the UTF-8 text to the page.
void web_ui_post_text(WebUiHost* host, const char* text);
HRESULT web_ui_navigation_starting(WebUiHost* host, ICoreWebView2NavigationStartingEventArgs* args);
HRESULT web_ui_new_window_requested(WebUiHost* host, ICoreWebView2NewWindowRequestedEventArgs* args);
// Whether a URI may load inside the editor: local files only, no host part.
bool web_ui_uri_is_local_page(const wchar_t* uri);
// Whether a URI may go to the external opener: http, https or mailto, with
// nothing that could break out of the quoted command-line argument.
bool web_ui_uri_is_openable(const wchar_t* uri);
void open_external_uri(const wchar_t* uri);

// ---- Cross-thread calls --------------------------------------------------------

int web_ui_acquire_from_creator(WebUiHost* host);
// Carries out a value or text request posted to the content window; false
// for any other message.
bool web_ui_serve_request(WebUiHost* host, const MSG* msg);
// Destruction itself, once no forwarded callback is running.
void web_ui_destroy_now(WebUiHost* host);
int web_ui_acquire_from_ui(WebUiHost* host);
void web_ui_forward_begin_edit(void* host, uint32_t index, float value);
void web_ui_forward_edit(void* host, uint32_t index, float value);
void web_ui_forward_end_edit(void* host, uint32_t index, float value);
LRESULT CALLBACK web_ui_dispatch_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Waits for any of the handles, serving messages sent from other threads
// meanwhile. Returns the index of the signalled handle, or -1 on time-out or
// failure.
int web_ui_wait_serving_sent(const HANDLE* handles, DWORD count, DWORD timeout_ms);

inline uint32_t web_ui_float_bits(float value)
{
    uint32_t bits;
    static_assert(sizeof bits == sizeof value, "float is 32 bits");
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float web_ui_bits_float(uint32_t bits)
{
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// Stores into a window's extra bytes; a zero result is an error only when
// the last error says so.
bool web_ui_set_window_long(HWND window, int index, LONG_PTR value);
