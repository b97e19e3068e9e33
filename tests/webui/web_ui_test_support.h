// Shared fixtures of the Web UI tests: the stand-in runtime, a recording
// binding, a parent window on the test thread (the creator thread), and a
// bounded message pump.
#pragma once

#include "tests/webui/message_pump.h"
#include "tests/webui/stand_in_webview2.h"
#include "webui/web_ui_internal.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

extern const StandInApi* stand_in;

// Folder of the test program, as UTF-8 and UTF-16.
std::string test_folder();
std::wstring test_folder_wide();
std::wstring widen(const std::string& utf8);
std::string narrow_utf8(const std::wstring& wide);


struct RecordedEdit {
    char kind; // 'b', 's' or 'e'
    uint32_t index;
    float value;
};

struct TestBinding {
    std::string loader_folder;
    std::string page_folder;
    std::vector<RecordedEdit> edits;
    std::vector<std::string> messages; // "m" texts seen by the handler
    bool wrong_thread = false;
    DWORD creator = 0;
    WebUiHost* host = nullptr;
    // Runs inside a forwarded edit callback, on the creator thread.
    std::function<void(TestBinding*, char kind, uint32_t index, float value)> on_edit;
};

WebUiCallbacks test_callbacks(TestBinding* binding);
void test_message_handler(WebUiHost* host, const char* text);

// An editor under a parent window that lives on the test thread.
struct Editor {
    TestBinding binding;
    HWND parent = nullptr;
    WebUiHost* host = nullptr;

    bool open(bool embed = true, bool with_handler = true);
    void close();
    ~Editor() { close(); }
    StandInViewState state() const;
    // Page messages posted so far.
    std::vector<std::wstring> posted() const;
    // Hands a page message to the editor and waits until its handler has
    // returned, serving the test thread meanwhile.
    bool page_says(const wchar_t* text, bool as_string = true);
    bool navigate(const wchar_t* uri, bool new_window);
};

HWND make_parent_window();

std::string call_log();
// GetTempFileNameW keeps only the first three characters of the prefix.
int count_temp_entries(const wchar_t* pattern = L"ror*");
std::wstring temp_folder();
int count_threads();
bool class_exists(const char* name);
bool folder_exists(const std::wstring& path);
