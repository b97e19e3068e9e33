// Cross-thread calls between the creator thread and the UI thread: the host
// lock, value and text requests, and the forwarding of page edits.
//
// Both sides wait on the lock with a message wait instead of blocking, and
// serve what the other side may be waiting on, so two exchanges in opposite
// directions never wait for each other.
#include "webui/web_ui_internal.h"

// Upper bound for one message wait inside a polling loop; a missed wake-up
// then costs at most this long.
static const DWORD poll_interval_ms = 50;

int web_ui_wait_serving_sent(const HANDLE* handles, DWORD count, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        DWORD remaining = timeout_ms == INFINITE ? INFINITE : (waited >= timeout_ms ? 0 : timeout_ms - waited);
        DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, remaining, QS_SENDMESSAGE);
        if (r < WAIT_OBJECT_0 + count)
            return static_cast<int>(r - WAIT_OBJECT_0);
        if (r != WAIT_OBJECT_0 + count)
            return -1;
        // Serves the messages sent to this thread's windows, nothing else.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Waits for done_semaphore; gives up if the UI thread ends meanwhile, so a
// request that raced with the editor's shutdown cannot strand the caller.
static void wait_done(WebUiHost* host)
{
    HANDLE handles[2] = {host->done_semaphore, host->ui_thread};
    web_ui_wait_serving_sent(handles, 2, INFINITE);
}

// One poll of the lock: 0 taken, 1 failed, -1 still held by the other side.
static int poll_lock(WebUiHost* host)
{
    DWORD r = WaitForSingleObject(host->host_lock, 0);
    return r == WAIT_OBJECT_0 ? 0 : r == WAIT_TIMEOUT ? -1 : 1;
}

// Sleeps until the lock is released or a message of the given kinds comes;
// results as for poll_lock.
static int wait_lock_or_message(WebUiHost* host, DWORD wake_mask)
{
    DWORD r = MsgWaitForMultipleObjects(1, &host->host_lock, FALSE, poll_interval_ms, wake_mask);
    return r == WAIT_OBJECT_0 ? 0 : r == WAIT_FAILED ? 1 : -1;
}

int web_ui_acquire_from_creator(WebUiHost* host)
{
    for (;;) {
        int r = poll_lock(host);
        if (r >= 0)
            return r;
        // Serve the edits the UI thread may be forwarding; other windows of
        // this thread keep their messages.
        MSG msg;
        while (PeekMessageA(&msg, host->dispatch_window, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        r = wait_lock_or_message(host, QS_POSTMESSAGE | QS_SENDMESSAGE);
        if (r >= 0)
            return r;
    }
}

bool web_ui_serve_request(WebUiHost* host, const MSG* msg)
{
    switch (msg->message) {
    case WM_WEB_UI_SET_PARAMETER:
        web_ui_send_value(host, static_cast<uint32_t>(msg->wParam),
                          web_ui_bits_float(static_cast<uint32_t>(msg->lParam)));
        ReleaseSemaphore(host->done_semaphore, 1, nullptr);
        return true;
    case WM_WEB_UI_SEND_MESSAGE:
        web_ui_post_text(host, reinterpret_cast<const char*>(msg->lParam));
        ReleaseSemaphore(host->done_semaphore, 1, nullptr);
        return true;
    default: return false;
    }
}

// Only the requests the creator thread may be waiting on are served here,
// and sent messages. Other messages stay queued: dispatching them would run
// WebView2 events nested inside the page event being handled, and a nested
// edit could then overtake an earlier one.
int web_ui_acquire_from_ui(WebUiHost* host)
{
    for (;;) {
        if (host->quit_requested)
            return 2;
        int r = poll_lock(host);
        if (r >= 0)
            return r;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ||
               PeekMessageA(&msg, nullptr, WM_WEB_UI_QUIT, WM_WEB_UI_SEND_MESSAGE, PM_REMOVE)) {
            if (msg.message == WM_WEB_UI_QUIT || msg.message == WM_QUIT) {
                // Counted as a quit request; the main loop ends after the
                // page message being handled.
                host->quit_requested = true;
                return 2;
            }
            web_ui_serve_request(host, &msg);
        }
        r = wait_lock_or_message(host, QS_POSTMESSAGE | QS_SENDMESSAGE);
        if (r >= 0)
            return r;
    }
}

static bool on_ui_thread(const WebUiHost* host)
{
    return GetCurrentThreadId() == host->ui_thread_id;
}

static bool in_forwarded_callback(const WebUiHost* host)
{
    return GetCurrentThreadId() == host->creator_thread_id && host->in_callback;
}

// The UI thread holds the lock and waits for the running callback: the
// pending fields carry the request instead of the queue.
static void hand_over(WebUiHost* host)
{
    ReleaseSemaphore(host->call_semaphore, 1, nullptr);
    wait_done(host);
}

// Posts a request to the content window and waits until it is carried out;
// the creator thread takes the lock for it, any other thread goes without.
static void request(WebUiHost* host, UINT message, WPARAM wparam, LPARAM lparam)
{
    bool creator = GetCurrentThreadId() == host->creator_thread_id;
    if (creator && web_ui_acquire_from_creator(host) != 0)
        return;
    if (PostMessageA(host->window, message, wparam, lparam))
        wait_done(host);
    if (creator)
        ReleaseSemaphore(host->host_lock, 1, nullptr);
}

void web_ui_set_parameter(WebUiHost* host, uint32_t index, float value)
{
    if (!host || index >= host->value_count)
        return;
    if (on_ui_thread(host)) {
        web_ui_send_value(host, index, value);
    } else if (in_forwarded_callback(host)) {
        host->pending_index = index;
        host->pending_value = value;
        host->pending_text = nullptr;
        hand_over(host);
    } else {
        request(host, WM_WEB_UI_SET_PARAMETER, index, static_cast<LPARAM>(web_ui_float_bits(value)));
    }
}

void web_ui_send_message(WebUiHost* host, const char* text)
{
    if (!host || !text)
        return;
    if (on_ui_thread(host)) {
        web_ui_post_text(host, text);
    } else if (in_forwarded_callback(host)) {
        host->pending_text = text;
        hand_over(host);
    } else {
        request(host, WM_WEB_UI_SEND_MESSAGE, 0, reinterpret_cast<LPARAM>(text));
    }
}

static void forward(WebUiHost* host, UINT message, uint32_t index, float value)
{
    if (web_ui_acquire_from_ui(host) != 0)
        return;
    if (!PostMessageA(host->dispatch_window, message, index, static_cast<LPARAM>(web_ui_float_bits(value)))) {
        ReleaseSemaphore(host->host_lock, 1, nullptr);
        return;
    }
    // Sent messages are served meanwhile: the creator thread may resize or
    // destroy the content window from inside the callback.
    for (;;) {
        web_ui_wait_serving_sent(&host->call_semaphore, 1, INFINITE);
        if (!host->in_callback)
            break;
        if (host->pending_text)
            web_ui_post_text(host, host->pending_text);
        else
            web_ui_send_value(host, host->pending_index, host->pending_value);
        host->pending_text = nullptr;
        ReleaseSemaphore(host->done_semaphore, 1, nullptr);
    }
    ReleaseSemaphore(host->host_lock, 1, nullptr);
}

void web_ui_forward_begin_edit(void* host, uint32_t index, float value)
{
    forward(static_cast<WebUiHost*>(host), WM_WEB_UI_BEGIN_EDIT, index, value);
}

void web_ui_forward_edit(void* host, uint32_t index, float value)
{
    forward(static_cast<WebUiHost*>(host), WM_WEB_UI_EDIT, index, value);
}

void web_ui_forward_end_edit(void* host, uint32_t index, float value)
{
    forward(static_cast<WebUiHost*>(host), WM_WEB_UI_END_EDIT, index, value);
}

LRESULT CALLBACK web_ui_dispatch_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    WebUiHost* host = reinterpret_cast<WebUiHost*>(GetWindowLongPtrA(window, 0));
    if (!host)
        return DefWindowProcA(window, message, wparam, lparam);
    void (*callback)(void*, uint32_t, float) = nullptr;
    switch (message) {
    case WM_WEB_UI_BEGIN_EDIT: callback = host->binding.begin_edit; break;
    case WM_WEB_UI_EDIT: callback = host->binding.edit; break;
    case WM_WEB_UI_END_EDIT: callback = host->binding.end_edit; break;
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
    host->in_callback = true;
    if (callback)
        callback(host->binding.binding_data, static_cast<uint32_t>(wparam),
                 web_ui_bits_float(static_cast<uint32_t>(lparam)));
    host->in_callback = false;
    ReleaseSemaphore(host->call_semaphore, 1, nullptr);
    // The binding closed the editor from inside its callback: finish that
    // now that the UI thread has been let go.
    if (host->destroy_requested && !host->destroying)
        web_ui_destroy_now(host);
    return 0;
}
