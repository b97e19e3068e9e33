// The editor's lifetime: creation on the creator thread, the UI thread with
// its content window and message loop, shutdown and destruction.
#include "webui/web_ui_internal.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

DWORD web_ui_start_timeout_ms = 30000;

// How long shutdown waits for the browser to let go of the user-data folder,
// and how long it keeps retrying a folder that is still in use.
static const DWORD browser_exit_timeout_ms = 5000;
static const int folder_delete_tries = 20;
static const DWORD folder_delete_pause_ms = 100;
// How long a failed creation waits for the UI thread to end.
static const DWORD thread_end_timeout_ms = 10000;

static const wchar_t target_browser_version[] = L"131.0.2903.40";

bool web_ui_set_window_long(HWND window, int index, LONG_PTR value)
{
    SetLastError(0);
    return SetWindowLongPtrA(window, index, value) != 0 || GetLastError() == 0;
}

static void format_class_name(char* name, size_t size, char kind, const WebUiHost* host)
{
    snprintf(name, size, "%c%llX", kind, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(host)));
}

static bool register_class(const char* name, WNDPROC procedure, HCURSOR cursor)
{
    WNDCLASSA window_class;
    memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = procedure;
    window_class.cbWndExtra = 8;
    window_class.hCursor = cursor;
    window_class.lpszClassName = name;
    return RegisterClassA(&window_class) != 0;
}

// UTF-8 text converted to UTF-16 with a suffix appended; null for text that
// is not valid UTF-8 or when out of memory.
static wchar_t* wide_path(const char* text, const wchar_t* suffix)
{
    if (!text)
        return nullptr;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    size_t suffix_length = wcslen(suffix);
    wchar_t* path = static_cast<wchar_t*>(malloc((static_cast<size_t>(n) + suffix_length) * sizeof(wchar_t)));
    if (!path)
        return nullptr;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, path, n) != n) {
        free(path);
        return nullptr;
    }
    memcpy(path + n - 1, suffix, (suffix_length + 1) * sizeof(wchar_t));
    return path;
}

// ---- UI thread ----------------------------------------------------------------

// Takes one message out of the queue, if any, and serves it during shutdown
// waits: requests are answered so that no poster is stranded, everything
// else is dispatched.
static void serve_shutdown_messages(WebUiHost* host, DWORD timeout_ms)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (web_ui_serve_request(host, &msg) || msg.message == WM_QUIT || msg.message == WM_WEB_UI_QUIT ||
            msg.message == WM_WEB_UI_READY)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void web_ui_close_controller(WebUiHost* host)
{
    ICoreWebView2Controller* controller = host->controller;
    if (!controller)
        return;
    // Ask to be told when the browser has let go of the user-data folder,
    // where the runtime offers it.
    ICoreWebView2Environment* environment5 = nullptr;
    if (host->environment && host->handler && !host->watching_browser_exit &&
        host->environment->lpVtbl->QueryInterface(host->environment, wv2_iid_environment5,
                                                  reinterpret_cast<void**>(&environment5)) >= 0 &&
        environment5) {
        Wv2EventToken token;
        if (reinterpret_cast<const ICoreWebView2Environment5Vtbl*>(environment5->lpVtbl)
                ->add_BrowserProcessExited(environment5, wv2_handler_browser_process_exited(host->handler),
                                           &token) >= 0)
            host->watching_browser_exit = true;
        environment5->lpVtbl->Release(environment5);
    }
    host->controller = nullptr;
    controller->lpVtbl->Close(controller);
    controller->lpVtbl->Release(controller);
}

static bool folder_exists(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// folder ends with two NULs, as the shell's delete operation needs.
static void delete_user_data_folder(WebUiHost* host, const wchar_t* folder)
{
    for (int attempt = 0; attempt < folder_delete_tries && folder_exists(folder); attempt++) {
        if (attempt > 0)
            serve_shutdown_messages(host, folder_delete_pause_ms);
        SHFILEOPSTRUCTW operation;
        memset(&operation, 0, sizeof operation);
        operation.wFunc = FO_DELETE;
        operation.pFrom = folder;
        operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        SHFileOperationW(&operation);
    }
}

static bool accept_ready(WebUiHost* host, const WebUiThreadStart* start)
{
    ICoreWebView2Controller* controller = host->controller;
    if (!controller)
        return false;
    if (start->embed) {
        SetLastError(0);
        if (!SetParent(host->window, start->parent_window) && GetLastError() != 0)
            return false;
    }
    if (!SetWindowPos(host->window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED))
        return false;
    if (controller->lpVtbl->put_IsVisible(controller, TRUE) < 0)
        return false;
    // From here on the start record is gone.
    ReleaseSemaphore(host->done_semaphore, 1, nullptr);
    ShowWindow(host->window, SW_SHOW);
    return true;
}

// Runs the loop; true when the editor got ready and later shut down
// normally, false when the start-up failed.
static bool run_main_loop(WebUiHost* host, const WebUiThreadStart* start)
{
    bool ready = false;
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            return false;
        if (got == 0)
            return ready;
        switch (msg.message) {
        case WM_WEB_UI_READY:
            if (ready)
                break;
            if (msg.wParam == 0 || !accept_ready(host, start))
                return false;
            ready = true;
            break;
        case WM_WEB_UI_QUIT: return ready;
        default:
            if (web_ui_serve_request(host, &msg))
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (host->quit_requested)
                return ready;
        }
    }
}

struct UiThreadResources {
    char class_name[24];
    bool class_registered;
    bool com_initialised;
    wchar_t* folder;
    WV2EnvironmentOptions* options;
};

static void shut_down(WebUiHost* host, UiThreadResources* r, bool started)
{
    web_ui_close_controller(host);
    if (host->watching_browser_exit && host->handler) {
        DWORD begin = GetTickCount();
        while (!host->handler->browser_exited && GetTickCount() - begin < browser_exit_timeout_ms)
            serve_shutdown_messages(host, 50);
    }
    if (host->environment) {
        host->environment->lpVtbl->Release(host->environment);
        host->environment = nullptr;
    }
    // Our own unique name, so whatever is there is ours to delete.
    if (r->folder)
        delete_user_data_folder(host, r->folder);
    if (host->handler) {
        wv2_handler_release(host->handler);
        host->handler = nullptr;
    }
    if (r->options)
        wv2_options_interface(r->options)->lpVtbl->Release(wv2_options_interface(r->options));
    free(r->folder);
    if (host->window) {
        // Keep the procedure from acting on the host during the destruction.
        SetWindowLongPtrA(host->window, 0, 0);
        DestroyWindow(host->window);
    }
    if (r->class_registered)
        UnregisterClassA(r->class_name, nullptr);
    if (r->com_initialised)
        CoUninitialize();
    if (!started)
        host->window = nullptr;
    ReleaseSemaphore(host->done_semaphore, 1, nullptr);
}

DWORD WINAPI web_ui_thread_main(void* argument)
{
    // Copied at once: if the creator ever gives up on a runtime that hangs,
    // its record is gone. Only the page path stays the creator's, and it is
    // never freed while this thread may run.
    WebUiThreadStart copy = *static_cast<const WebUiThreadStart*>(argument);
    const WebUiThreadStart* start = &copy;
    WebUiHost* host = start->host;
    UiThreadResources r;
    memset(&r, 0, sizeof r);
    host->controller = nullptr;
    host->window = nullptr;

    // The folder is the temporary file's path without its extension, ended
    // by two NULs for the shell's delete operation.
    size_t length = wcslen(start->temp_file_path);
    r.folder = static_cast<wchar_t*>(malloc((length + 2) * sizeof(wchar_t)));
    if (r.folder) {
        memcpy(r.folder, start->temp_file_path, (length + 1) * sizeof(wchar_t));
        r.folder[length - 4] = L'\0';
        r.folder[length - 3] = L'\0';
    }

    format_class_name(r.class_name, sizeof r.class_name, 'c', host);
    HCURSOR arrow = static_cast<HCURSOR>(LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_CURSOR, 0, 0, LR_SHARED));
    r.class_registered = register_class(r.class_name, web_ui_content_window_proc, arrow);
    if (!r.class_registered) {
        shut_down(host, &r, false);
        return 0;
    }
    if (start->embed)
        host->window = CreateWindowExA(WS_EX_NOACTIVATE, r.class_name, "", 0, 0, 0, start->width, start->height,
                                       nullptr, nullptr, nullptr, nullptr);
    else
        host->window = CreateWindowExA(0, r.class_name, "", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, start->width,
                                       start->height, nullptr, nullptr, nullptr, nullptr);
    if (!host->window || (start->embed && !web_ui_set_window_long(host->window, GWL_STYLE, 0)) ||
        !web_ui_set_window_long(host->window, 0, reinterpret_cast<LONG_PTR>(host))) {
        shut_down(host, &r, false);
        return 0;
    }
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    r.com_initialised = com >= 0;
    if (!r.com_initialised) {
        shut_down(host, &r, false);
        return 0;
    }

    r.options = wv2_options_create(target_browser_version);
    host->handler = wv2_handler_create(host, start->page_path);
    if (!r.folder || !r.options || !host->handler) {
        shut_down(host, &r, false);
        return 0;
    }
    ICoreWebView2EnvironmentOptions* options = wv2_options_interface(r.options);
    options->lpVtbl->put_AdditionalBrowserArguments(options, L"--allow-file-access-from-files");

    HRESULT result = start->create_environment(nullptr, r.folder, options,
                                               wv2_handler_environment_completed(host->handler));
    bool started = result >= 0 && run_main_loop(host, start);
    shut_down(host, &r, started);
    return 0;
}

LRESULT CALLBACK web_ui_content_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    WebUiHost* host = reinterpret_cast<WebUiHost*>(GetWindowLongPtrA(window, 0));
    if (!host)
        return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_DESTROY:
        // Destroyed from outside (the host closed its window first, or the
        // user closed a standalone editor): close the control while its
        // window still exists, then end the loop.
        web_ui_close_controller(host);
        PostQuitMessage(0);
        break;
    case WM_SETFOCUS:
        if (host->controller)
            host->controller->lpVtbl->MoveFocus(host->controller, WV2_MOVE_FOCUS_REASON_PROGRAMMATIC);
        break;
    case WM_SIZE:
        if (host->controller) {
            RECT bounds;
            if (GetClientRect(window, &bounds))
                host->controller->lpVtbl->put_Bounds(host->controller, bounds);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// ---- Creator thread ----------------------------------------------------------

// A unique temporary file whose extension-less name, the user-data folder,
// does not exist yet. Names rejected on the way are kept until the end, so
// that the next draw cannot give the same name again.
static bool make_temp_file(wchar_t* path)
{
    enum { max_tries = 16 };
    wchar_t folder[262];
    DWORD n = GetTempPathW(262, folder);
    if (n == 0 || n >= 262)
        return false;
    wchar_t rejected[max_tries][262];
    int rejected_count = 0;
    bool found = false;
    while (!found && rejected_count < max_tries) {
        if (GetTempFileNameW(folder, L"rora", 0, path) == 0)
            break;
        size_t length = wcslen(path);
        wchar_t without_extension[262];
        memcpy(without_extension, path, (length - 4) * sizeof(wchar_t));
        without_extension[length - 4] = L'\0';
        if (GetFileAttributesW(without_extension) == INVALID_FILE_ATTRIBUTES)
            found = true;
        else
            wcscpy(rejected[rejected_count++], path);
    }
    for (int i = 0; i < rejected_count; i++)
        DeleteFileW(rejected[i]);
    return found;
}

static void release_creator_side(WebUiHost* host)
{
    if (host->ui_thread)
        CloseHandle(host->ui_thread);
    if (host->host_lock)
        CloseHandle(host->host_lock);
    if (host->call_semaphore)
        CloseHandle(host->call_semaphore);
    if (host->dispatch_window)
        DestroyWindow(host->dispatch_window);
    UnregisterClassA(host->dispatch_class_name, nullptr);
    free(host->parameter_values);
    if (host->done_semaphore)
        CloseHandle(host->done_semaphore);
    FreeLibrary(host->loader);
    free(host);
}

WebUiHost* web_ui_create(bool embed, HWND parent_window, const WebUiCallbacks* callbacks,
                         WebUiMessageHandler message_handler, int32_t width, int32_t height, size_t value_count)
{
    if (!callbacks || !callbacks->get_loader_folder || !callbacks->get_page_folder)
        return nullptr;
    wchar_t* loader_path = wide_path(callbacks->get_loader_folder(callbacks->binding_data), L"\\WebView2Loader.dll");
    if (!loader_path)
        return nullptr;
    HMODULE loader = LoadLibraryW(loader_path);
    free(loader_path);
    if (!loader)
        return nullptr;
    Wv2CreateEnvironmentFn create_environment = reinterpret_cast<Wv2CreateEnvironmentFn>(
        reinterpret_cast<void*>(GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions")));
    wchar_t* page_path = create_environment
                             ? wide_path(callbacks->get_page_folder(callbacks->binding_data), L"\\index.html")
                             : nullptr;
    WebUiHost* host = page_path ? static_cast<WebUiHost*>(calloc(1, sizeof(WebUiHost))) : nullptr;
    // Values start at zero until the binding sets them.
    float* values = host ? static_cast<float*>(calloc(value_count ? value_count : 1, sizeof(float))) : nullptr;
    if (!values) {
        free(host);
        free(page_path);
        FreeLibrary(loader);
        return nullptr;
    }
    host->loader = loader;
    host->creator_thread_id = GetCurrentThreadId();
    host->parameter_values = values;
    host->binding = *callbacks;
    host->page = *callbacks;
    host->page.binding_data = host;
    host->page.begin_edit = web_ui_forward_begin_edit;
    host->page.edit = web_ui_forward_edit;
    host->page.end_edit = web_ui_forward_end_edit;
    host->message_handler = message_handler;
    host->value_count = value_count;
    format_class_name(host->dispatch_class_name, sizeof host->dispatch_class_name, 'd', host);

    wchar_t temp_file_path[262];
    bool have_temp_file = false;
    bool ok = (host->done_semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr)) != nullptr;
    ok = ok && (have_temp_file = make_temp_file(temp_file_path));
    // A message-only window: a host that destroys its own windows first
    // cannot take it along and strand a posted edit.
    ok = ok && register_class(host->dispatch_class_name, web_ui_dispatch_window_proc, nullptr);
    ok = ok && (host->dispatch_window = CreateWindowExA(0, host->dispatch_class_name, "", 0, 0, 0, 0, 0,
                                                        HWND_MESSAGE, nullptr, nullptr, nullptr)) != nullptr;
    ok = ok && web_ui_set_window_long(host->dispatch_window, 0, reinterpret_cast<LONG_PTR>(host));
    ok = ok && (host->call_semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr)) != nullptr;
    ok = ok && (host->host_lock = CreateSemaphoreW(nullptr, 1, 1, nullptr)) != nullptr;

    WebUiThreadStart start = {host, embed, parent_window, width, height, create_environment, page_path,
                              temp_file_path};
    ok = ok && (host->ui_thread = CreateThread(nullptr, 0, web_ui_thread_main, &start, 0, &host->ui_thread_id)) !=
                   nullptr;
    if (ok) {
        HANDLE handles[2] = {host->done_semaphore, host->ui_thread};
        int signalled = web_ui_wait_serving_sent(handles, 2, web_ui_start_timeout_ms);
        ok = signalled == 0 && host->window != nullptr;
        if (!ok) {
            // The runtime never answered, or the start failed: make sure the
            // thread is gone before anything it uses is freed.
            if (signalled != 1)
                PostThreadMessageA(GetThreadId(host->ui_thread), WM_WEB_UI_QUIT, 0, 0);
            if (web_ui_wait_serving_sent(&host->ui_thread, 1, thread_end_timeout_ms) != 0) {
                // Stuck inside the runtime: the host must stay allocated.
                if (have_temp_file)
                    DeleteFileW(temp_file_path);
                free(page_path);
                return nullptr;
            }
        }
    }
    if (have_temp_file)
        DeleteFileW(temp_file_path);
    free(page_path);
    if (!ok) {
        release_creator_side(host);
        return nullptr;
    }
    return host;
}

void web_ui_destroy(WebUiHost* host)
{
    if (!host)
        return;
    if (host->in_callback) {
        // Called from inside a forwarded edit: the UI thread holds the lock
        // until the callback returns, so finish after that.
        host->destroy_requested = true;
        return;
    }
    web_ui_destroy_now(host);
}

void web_ui_destroy_now(WebUiHost* host)
{
    host->destroying = true;
    if (web_ui_acquire_from_creator(host) != 0)
        return;
    // Fails when the content window is already gone; the UI thread has then
    // ended or is ending on its own.
    PostMessageA(host->window, WM_WEB_UI_QUIT, 0, 0);
    web_ui_wait_serving_sent(&host->ui_thread, 1, INFINITE);
    release_creator_side(host);
}

void web_ui_idle(WebUiHost*)
{
}
