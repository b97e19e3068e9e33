// WV2Handler: one COM object for every WebView2 callback of an editor. It
// creates the controller, sets the control up, registers for the page
// events and starts the navigation, then reports to the UI thread.
#include "webui/web_ui_internal.h"

#include <objbase.h>

#include <cstddef>
#include <cwchar>

// Interface pointers are the addresses of the table fields.
#define WV2_HANDLER_FROM(self, field) \
    reinterpret_cast<WV2Handler*>(reinterpret_cast<char*>(self) - offsetof(WV2Handler, field))
#define WV2_INTERFACE_OF(handler, Interface, field) reinterpret_cast<Interface*>(&(handler)->field)

static HRESULT handler_query_interface(WV2Handler* handler, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    void* found = nullptr;
    if (wv2_iid_equal(iid, wv2_iid_unknown) || wv2_iid_equal(iid, wv2_iid_environment_completed_handler))
        found = &handler->environment_completed;
    else if (wv2_iid_equal(iid, wv2_iid_controller_completed_handler))
        found = &handler->controller_completed;
    else if (wv2_iid_equal(iid, wv2_iid_web_message_received_handler))
        found = &handler->web_message_received;
    else if (wv2_iid_equal(iid, wv2_iid_navigation_starting_handler))
        found = &handler->navigation_starting;
    else if (wv2_iid_equal(iid, wv2_iid_new_window_requested_handler))
        found = &handler->new_window_requested;
    else if (wv2_iid_equal(iid, wv2_iid_browser_process_exited_handler))
        found = &handler->browser_process_exited;
    *out = found;
    if (!found)
        return E_NOINTERFACE;
    InterlockedIncrement(&handler->reference_count);
    return S_OK;
}

static ULONG handler_add_ref(WV2Handler* handler)
{
    return static_cast<ULONG>(InterlockedIncrement(&handler->reference_count));
}

ULONG wv2_handler_release(WV2Handler* handler)
{
    LONG count = InterlockedDecrement(&handler->reference_count);
    if (count == 0)
        handler->environment_completed->destroy_and_free(handler);
    return static_cast<ULONG>(count);
}

static void report_ready(WebUiHost* host, bool ready)
{
    PostMessageA(host->window, WM_WEB_UI_READY, ready ? 1 : 0, 0);
}

// ---- Start-up ------------------------------------------------------------------

static HRESULT environment_completed(WV2Handler* handler, HRESULT result, ICoreWebView2Environment* environment)
{
    WebUiHost* host = handler->host;
    // Success with no environment is a failure too.
    if (result >= 0 && !environment)
        result = E_POINTER;
    if (result >= 0) {
        // Kept until shutdown: it reports when the browser has let go of
        // the user-data folder.
        if (!host->environment) {
            environment->lpVtbl->AddRef(environment);
            host->environment = environment;
        }
        result = environment->lpVtbl->CreateCoreWebView2Controller(
            environment, host->window,
            WV2_INTERFACE_OF(handler, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                                  controller_completed));
        if (result >= 0)
            return S_OK;
    }
    report_ready(host, false);
    return result;
}

// Browser features the editor does not want; results are ignored, and
// interfaces an older runtime lacks are skipped.
static void switch_features_off(ICoreWebView2Settings* settings, ICoreWebView2Controller* controller)
{
    const ICoreWebView2SettingsVtbl* v = settings->lpVtbl;
    v->put_AreDefaultContextMenusEnabled(settings, FALSE);
    v->put_AreDevToolsEnabled(settings, FALSE);
    v->put_IsStatusBarEnabled(settings, FALSE);
    v->put_IsZoomControlEnabled(settings, FALSE);
    v->put_AreDefaultScriptDialogsEnabled(settings, FALSE);

    static const IID* const newer[] = {&wv2_iid_settings3, &wv2_iid_settings4, &wv2_iid_settings5,
                                       &wv2_iid_settings6};
    for (size_t i = 0; i < sizeof newer / sizeof newer[0]; i++) {
        ICoreWebView2Settings* more = nullptr;
        if (v->QueryInterface(settings, *newer[i], reinterpret_cast<void**>(&more)) < 0 || !more)
            continue;
        const ICoreWebView2Settings6Vtbl* m = reinterpret_cast<const ICoreWebView2Settings6Vtbl*>(more->lpVtbl);
        switch (i) {
        case 0: m->put_AreBrowserAcceleratorKeysEnabled(more, FALSE); break;
        case 1:
            m->put_IsPasswordAutosaveEnabled(more, FALSE);
            m->put_IsGeneralAutofillEnabled(more, FALSE);
            break;
        case 2: m->put_IsPinchZoomEnabled(more, FALSE); break;
        case 3: m->put_IsSwipeNavigationEnabled(more, FALSE); break;
        }
        more->lpVtbl->Release(more);
    }

    ICoreWebView2Controller* controller4 = nullptr;
    if (controller->lpVtbl->QueryInterface(controller, wv2_iid_controller4,
                                           reinterpret_cast<void**>(&controller4)) >= 0 &&
        controller4) {
        reinterpret_cast<const ICoreWebView2Controller4Vtbl*>(controller4->lpVtbl)
            ->put_AllowExternalDrop(controller4, FALSE);
        controller4->lpVtbl->Release(controller4);
    }
}

// The settings, bounds, event registrations and navigation the editor
// cannot do without.
static bool set_up_required(WV2Handler* handler, ICoreWebView2Controller* controller, ICoreWebView2* webview,
                            ICoreWebView2Settings* settings)
{
    if (settings->lpVtbl->put_IsScriptEnabled(settings, TRUE) != S_OK)
        return false;
    if (settings->lpVtbl->put_AreHostObjectsAllowed(settings, TRUE) < 0)
        return false;
    RECT bounds;
    if (!GetClientRect(handler->host->window, &bounds))
        return false;
    if (controller->lpVtbl->put_Bounds(controller, bounds) < 0)
        return false;
    Wv2EventToken token;
    if (webview->lpVtbl->add_WebMessageReceived(
            webview,
            WV2_INTERFACE_OF(handler, ICoreWebView2WebMessageReceivedEventHandler, web_message_received),
            &token) < 0)
        return false;
    if (webview->lpVtbl->add_NavigationStarting(
            webview,
            WV2_INTERFACE_OF(handler, ICoreWebView2NavigationStartingEventHandler, navigation_starting),
            &token) < 0)
        return false;
    if (webview->lpVtbl->add_NewWindowRequested(
            webview,
            WV2_INTERFACE_OF(handler, ICoreWebView2NewWindowRequestedEventHandler, new_window_requested),
            &token) < 0)
        return false;
    return webview->lpVtbl->Navigate(webview, handler->page_uri) >= 0;
}

static HRESULT controller_completed(WV2Handler* handler, HRESULT result, ICoreWebView2Controller* controller)
{
    WebUiHost* host = handler->host;
    if (result < 0 || !controller) {
        report_ready(host, false);
        return result < 0 ? result : E_POINTER;
    }
    ICoreWebView2* webview = nullptr;
    ICoreWebView2Settings* settings = nullptr;
    bool ready = false;
    if (controller->lpVtbl->get_CoreWebView2(controller, &webview) >= 0 && webview &&
        webview->lpVtbl->get_Settings(webview, &settings) >= 0 && settings) {
        switch_features_off(settings, controller);
        ready = set_up_required(handler, controller, webview, settings);
    }
    if (settings)
        settings->lpVtbl->Release(settings);
    if (webview)
        webview->lpVtbl->Release(webview);
    if (!ready) {
        // Not kept: close it so that it lets go of the content window.
        controller->lpVtbl->Close(controller);
        report_ready(host, false);
        return E_FAIL;
    }
    controller->lpVtbl->AddRef(controller);
    host->controller = controller;
    report_ready(host, true);
    return S_OK;
}

// ---- Page events ----------------------------------------------------------------

static HRESULT web_message_received(WV2Handler* handler, ICoreWebView2WebMessageReceivedEventArgs* args)
{
    LPWSTR message = nullptr;
    HRESULT result = args->lpVtbl->TryGetWebMessageAsString(args, &message);
    if (result < 0)
        return result;
    if (!message)
        return E_POINTER;
    int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, message, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        result = HRESULT_FROM_WIN32(GetLastError());
        CoTaskMemFree(message);
        return result;
    }
    char* text = handler->message_buffer;
    if (static_cast<size_t>(size) > sizeof handler->message_buffer) {
        text = static_cast<char*>(malloc(static_cast<size_t>(size)));
        if (!text) {
            CoTaskMemFree(message);
            return E_OUTOFMEMORY;
        }
    }
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, message, -1, text, size, nullptr, nullptr);
    // The dispatch may run a nested message loop; keep this object alive.
    handler_add_ref(handler);
    web_ui_dispatch_page_message(handler->host, &handler->host->page, text);
    if (text != handler->message_buffer)
        free(text);
    wv2_handler_release(handler);
    CoTaskMemFree(message);
    return S_OK;
}

// ---- Interface entries ------------------------------------------------------

static HRESULT WV2_CALL environment_completed_invoke(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* self,
                                                     HRESULT result, ICoreWebView2Environment* environment)
{
    return environment_completed(WV2_HANDLER_FROM(self, environment_completed), result, environment);
}

static HRESULT WV2_CALL controller_completed_invoke(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* self,
                                                    HRESULT result, ICoreWebView2Controller* controller)
{
    return controller_completed(WV2_HANDLER_FROM(self, controller_completed), result, controller);
}

static HRESULT WV2_CALL web_message_received_invoke(ICoreWebView2WebMessageReceivedEventHandler* self,
                                                    ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args)
{
    return web_message_received(WV2_HANDLER_FROM(self, web_message_received), args);
}

static HRESULT WV2_CALL navigation_starting_invoke(ICoreWebView2NavigationStartingEventHandler* self,
                                                   ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args)
{
    return web_ui_navigation_starting(WV2_HANDLER_FROM(self, navigation_starting)->host, args);
}

static HRESULT WV2_CALL new_window_requested_invoke(ICoreWebView2NewWindowRequestedEventHandler* self,
                                                    ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args)
{
    return web_ui_new_window_requested(WV2_HANDLER_FROM(self, new_window_requested)->host, args);
}

static HRESULT WV2_CALL browser_process_exited_invoke(ICoreWebView2BrowserProcessExitedEventHandler* self,
                                                      ICoreWebView2Environment*, void*)
{
    InterlockedExchange(&WV2_HANDLER_FROM(self, browser_process_exited)->browser_exited, 1);
    return S_OK;
}

// IUnknown entries of one interface table, each adjusting the interface
// pointer back to the object, and the table itself.
#define WV2_HANDLER_TABLE(Interface, field)                                                         \
    static HRESULT WV2_CALL field##_query_interface(Interface* self, REFIID iid, void** out)        \
    {                                                                                               \
        return handler_query_interface(WV2_HANDLER_FROM(self, field), iid, out);                    \
    }                                                                                               \
    static ULONG WV2_CALL field##_add_ref(Interface* self)                                          \
    {                                                                                               \
        return handler_add_ref(WV2_HANDLER_FROM(self, field));                                      \
    }                                                                                               \
    static ULONG WV2_CALL field##_release(Interface* self)                                          \
    {                                                                                               \
        return wv2_handler_release(WV2_HANDLER_FROM(self, field));                                  \
    }                                                                                               \
    static const Interface##Vtbl field##_table = {field##_query_interface, field##_add_ref,         \
                                                  field##_release, field##_invoke}

WV2_HANDLER_TABLE(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, environment_completed);
WV2_HANDLER_TABLE(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, controller_completed);
WV2_HANDLER_TABLE(ICoreWebView2WebMessageReceivedEventHandler, web_message_received);
WV2_HANDLER_TABLE(ICoreWebView2NavigationStartingEventHandler, navigation_starting);
WV2_HANDLER_TABLE(ICoreWebView2NewWindowRequestedEventHandler, new_window_requested);
WV2_HANDLER_TABLE(ICoreWebView2BrowserProcessExitedEventHandler, browser_process_exited);

static void handler_destroy(WV2Handler* handler)
{
    CoTaskMemFree(handler->page_uri);
}

static void handler_destroy_and_free(WV2Handler* handler)
{
    handler_destroy(handler);
    free(handler);
}

static const Wv2HandlerTable handler_table = {
    environment_completed_table,
    handler_destroy,
    handler_destroy_and_free,
    controller_completed_invoke,
    web_message_received_invoke,
    navigation_starting_invoke,
    new_window_requested_invoke,
};

WV2Handler* wv2_handler_create(WebUiHost* host, const wchar_t* page_path)
{
    WV2Handler* handler = static_cast<WV2Handler*>(calloc(1, sizeof(WV2Handler)));
    if (!handler)
        return nullptr;
    handler->environment_completed = &handler_table;
    handler->controller_completed = &controller_completed_table;
    handler->web_message_received = &web_message_received_table;
    handler->navigation_starting = &navigation_starting_table;
    handler->new_window_requested = &new_window_requested_table;
    handler->browser_process_exited = &browser_process_exited_table;
    handler->reference_count = 1;
    handler->host = host;
    if (page_path) {
        size_t bytes = (wcslen(page_path) + 1) * sizeof(wchar_t);
        handler->page_uri = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (handler->page_uri)
            memcpy(handler->page_uri, page_path, bytes);
    }
    return handler;
}

ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* wv2_handler_environment_completed(WV2Handler* handler)
{
    return WV2_INTERFACE_OF(handler, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                                 environment_completed);
}

ICoreWebView2BrowserProcessExitedEventHandler* wv2_handler_browser_process_exited(WV2Handler* handler)
{
    return WV2_INTERFACE_OF(handler, ICoreWebView2BrowserProcessExitedEventHandler, browser_process_exited);
}

// The primary table begins like the environment-completed interface.
static_assert(offsetof(Wv2HandlerTable, environment_completed) == 0, "primary table first");
static_assert(offsetof(Wv2HandlerTable, destroy) == 4 * 8, "destructor slots follow Invoke");
static_assert(offsetof(Wv2HandlerTable, controller_completed) == 6 * 8, "then the other Invoke entries");
static_assert(sizeof(Wv2HandlerTable) == 10 * 8, "ten slots in the primary table");
static_assert(offsetof(WV2Handler, reference_count) == 6 * 8, "six table pointers lead the handler");
static_assert(offsetof(Wv2OptionsTable, destroy) == 11 * 8 && sizeof(Wv2OptionsTable) == 13 * 8,
              "options table: eleven interface slots and two destructor slots");
