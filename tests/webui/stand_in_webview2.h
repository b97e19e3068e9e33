// Control interface of the stand-in WebView2Loader.dll used by the Web UI
// tests. The tests find it with GetProcAddress("stand_in_webview2_api") in
// the very module the editor loaded.
#pragma once

#include <windows.h>

#include <cstddef>

// All false: a healthy runtime with every optional interface.
struct StandInConfig {
    HRESULT create_environment_result; // result of the loader call itself
    bool environment_fails;            // the environment-completed call reports E_FAIL
    bool environment_null;             // ... reports success with no environment
    bool never_answer;                 // the environment-completed call never comes
    bool create_controller_fails;      // CreateCoreWebView2Controller returns E_FAIL
    bool controller_fails;             // the controller-completed call reports E_FAIL
    bool controller_null;              // ... reports success with no controller
    bool script_enabled_s_false;       // put_IsScriptEnabled returns S_FALSE
    bool host_objects_fail;
    bool bounds_fail;
    bool add_message_fails;
    bool navigate_fails;
    bool lacks_settings6;
    bool lacks_controller4;
    bool lacks_environment5;
    bool hold_folder; // the browser keeps a file open in the user-data folder until it exits
};

// What one editor's control saw, found by its content window.
struct StandInViewState {
    bool found;
    bool visible;
    bool closed;
    bool closed_while_window_existed;
    RECT bounds;
    size_t posted_count;
    int events_delivered;     // page messages and navigation events handled
    HRESULT last_event_result;
    BOOL last_cancel;
    BOOL last_handled;
    size_t posted_at_last_event; // posted_count when the last event's handler returned
    wchar_t navigated_to[512];
    wchar_t user_data_folder[512];
    char content_class[32];
};

struct StandInApi {
    void (*reset)(const StandInConfig* config);
    // The call log, one call a line.
    size_t (*log_text)(char* buffer, size_t size);
    bool (*view_state)(HWND content_window, StandInViewState* state);
    // Copies the page message number i; false when there is none.
    bool (*posted_text)(HWND content_window, size_t i, wchar_t* buffer, size_t size);
    // Events handed to the editor's handlers later, on its UI thread.
    bool (*deliver_message)(HWND content_window, const wchar_t* text, bool as_string);
    bool (*deliver_navigation)(HWND content_window, const wchar_t* uri);
    bool (*deliver_new_window)(HWND content_window, const wchar_t* uri);
    // Objects handed out and still referenced, handlers still held included.
    int (*live_objects)(void);
    // Class name of the last content window seen by the loader call.
    size_t (*last_content_class)(char* buffer, size_t size);
};

typedef const StandInApi* (*StandInApiFn)(void);
