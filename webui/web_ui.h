// Web UI host: the plug-in editor, a web page in a WebView2 control that runs
// on a UI thread of its own, connected to the binding that opened it.
//
// Every operation below is called on the creator thread (the thread that
// called web_ui_create), except web_ui_set_parameter and web_ui_send_message,
// which may also be called on the editor's UI thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct WV2Handler;
struct WebUiHost;

// The binding's functions. web_ui_create copies the record.
struct WebUiCallbacks {
    void* binding_data;
    const char* format_tag;
    // UTF-8 folder texts, each asked for once during creation.
    const char* (*get_loader_folder)(void* binding_data);
    const char* (*get_page_folder)(void* binding_data);
    // Page edits, always called on the creator thread.
    void (*begin_edit)(void* binding_data, uint32_t index, float value);
    void (*edit)(void* binding_data, uint32_t index, float value);
    void (*end_edit)(void* binding_data, uint32_t index, float value);
};

// Handler of "m" page messages, called on the UI thread with UTF-8 text.
typedef void (*WebUiMessageHandler)(WebUiHost* host, const char* text);

struct WebUiHost {
    HWND window; // the content window; bindings resize it and read its size
    HMODULE loader;
    DWORD creator_thread_id;
    HANDLE done_semaphore;
    DWORD ui_thread_id;
    ICoreWebView2Controller* controller;
    WebUiCallbacks binding;
    WebUiCallbacks page;
    WebUiMessageHandler message_handler;
    float* parameter_values;
    size_t value_count;
    char dispatch_class_name[24];
    HWND dispatch_window;
    HANDLE call_semaphore;
    HANDLE host_lock;
    bool in_callback;
    uint32_t pending_index;
    float pending_value;

    // Beyond the basic exchange: a text handed over during a callback, the
    // UI thread's handle (waited for at destruction), and the state that
    // keeps shutdown and nested calls safe.
    const char* pending_text;
    HANDLE ui_thread;
    bool quit_requested;     // UI thread: a quit was met inside a wait
    bool destroy_requested;  // creator: web_ui_destroy called inside a callback
    bool destroying;         // creator: web_ui_destroy under way
    ICoreWebView2Environment* environment; // UI thread, one reference
    WV2Handler* handler;                   // UI thread, one reference
    bool watching_browser_exit;            // UI thread
};

// Opens an editor: a child of parent_window when embed is true, otherwise a
// standalone top-level window. Blocks until the page navigation has started
// or creation failed. Returns null on failure, leaving nothing behind.
WebUiHost* web_ui_create(bool embed, HWND parent_window, const WebUiCallbacks* callbacks,
                         WebUiMessageHandler message_handler, int32_t width, int32_t height,
                         size_t value_count);

// Closes the editor, waits until its UI thread has ended, frees the host.
void web_ui_destroy(WebUiHost* host);

// Nothing to do: the UI thread runs on its own.
void web_ui_idle(WebUiHost* host);

// Stores a value and tells the page; returns once the page has been told.
void web_ui_set_parameter(WebUiHost* host, uint32_t index, float value);

// Posts "m " and the UTF-8 text to the page; returns once that is done.
void web_ui_send_message(WebUiHost* host, const char* text);
