// Page message bridge: page messages in, value and text messages out, and
// the navigation policy that keeps the editor on its local page.
#include "webui/web_ui_internal.h"

#include <objbase.h>

#include <cstdio>
#include <cwchar>

// "b", "s" and "e" carry "index bits" as two hexadecimal numbers.
static bool parse_index_bits(const char* fields, uint32_t* index, uint32_t* bits)
{
    unsigned int i = 0, b = 0;
    if (sscanf(fields, "%x %x", &i, &b) != 2)
        return false;
    *index = i;
    *bits = b;
    return true;
}

void web_ui_dispatch_page_message(WebUiHost* host, const WebUiCallbacks* page, const char* text)
{
    char kind = text[0];
    if (kind == 'g') {
        for (size_t i = 0; i < host->value_count; i++)
            web_ui_send_value(host, static_cast<uint32_t>(i), host->parameter_values[i]);
        return;
    }
    void (*forward)(void*, uint32_t, float) = nullptr;
    switch (kind) {
    case 'b': forward = page->begin_edit; break;
    case 's': forward = page->edit; break;
    case 'e': forward = page->end_edit; break;
    case 'm': break;
    default: return;
    }
    if (text[1] == '\0')
        return;
    const char* fields = text + 2;
    if (kind == 'm') {
        if (host->message_handler)
            host->message_handler(host, fields);
        return;
    }
    uint32_t index, bits;
    if (!parse_index_bits(fields, &index, &bits) || index >= host->value_count)
        return;
    float value = web_ui_bits_float(bits);
    host->parameter_values[index] = value;
    if (forward)
        forward(page->binding_data, index, value);
}

static void post_to_page(WebUiHost* host, const wchar_t* text)
{
    ICoreWebView2Controller* controller = host->controller;
    if (!controller)
        return;
    ICoreWebView2* webview = nullptr;
    if (controller->lpVtbl->get_CoreWebView2(controller, &webview) < 0 || !webview)
        return;
    webview->lpVtbl->PostWebMessageAsString(webview, text);
    webview->lpVtbl->Release(webview);
}

void web_ui_send_value(WebUiHost* host, uint32_t index, float value)
{
    if (index >= host->value_count)
        return;
    host->parameter_values[index] = value;
    wchar_t text[40];
    swprintf(text, sizeof text / sizeof text[0], L"s %08x %08x", index, web_ui_float_bits(value));
    post_to_page(host, text);
}

void web_ui_post_text(WebUiHost* host, const char* text)
{
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (length <= 0)
        return;
    wchar_t* message = static_cast<wchar_t*>(malloc((static_cast<size_t>(length) + 2) * sizeof(wchar_t)));
    if (!message)
        return;
    message[0] = L'm';
    message[1] = L' ';
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, message + 2, length) == length)
        post_to_page(host, message);
    free(message);
}

// ---- Navigation policy --------------------------------------------------------

bool web_ui_uri_is_local_page(const wchar_t* uri)
{
    // "file:///" has an empty host; "file://server/..." would reach out to
    // a network share with the user's credentials.
    return wcsncmp(uri, L"file:///", 8) == 0;
}

static bool has_scheme(const wchar_t* uri, const wchar_t* scheme)
{
    size_t n = wcslen(scheme);
    return _wcsnicmp(uri, scheme, n) == 0;
}

bool web_ui_uri_is_openable(const wchar_t* uri)
{
    if (!has_scheme(uri, L"http://") && !has_scheme(uri, L"https://") && !has_scheme(uri, L"mailto:"))
        return false;
    // Nothing that could end the quoted argument or hide in the command line.
    for (const wchar_t* c = uri; *c; c++) {
        if (*c < 0x20 || *c == 0x7F || (*c >= 0x80 && *c < 0xA0) || *c == L'"' || *c == L'\\')
            return false;
    }
    return true;
}

void open_external_uri(const wchar_t* uri)
{
    if (!web_ui_uri_is_openable(uri))
        return;
    static const wchar_t prefix[] = L"rundll32 url.dll,FileProtocolHandler ";
    // The opener is started by its full path, never found through the
    // search path (which includes the host's current folder).
    wchar_t program[MAX_PATH + 16];
    UINT folder = GetSystemDirectoryW(program, MAX_PATH);
    if (folder == 0 || folder >= MAX_PATH)
        return;
    wcscat(program, L"\\rundll32.exe");

    size_t length = wcslen(uri);
    wchar_t* command = static_cast<wchar_t*>(malloc((length + 40) * sizeof(wchar_t)));
    if (!command)
        return;
    swprintf(command, length + 40, L"%ls\"%ls\"", prefix, uri);
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    // Not waited for: an "open with" prompt must not freeze the editor.
    if (CreateProcessW(program, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    free(command);
}

HRESULT web_ui_navigation_starting(WebUiHost*, ICoreWebView2NavigationStartingEventArgs* args)
{
    LPWSTR uri = nullptr;
    HRESULT result = args->lpVtbl->get_Uri(args, &uri);
    if (result < 0)
        return result;
    if (!uri || !web_ui_uri_is_local_page(uri)) {
        args->lpVtbl->put_Cancel(args, TRUE);
        if (uri)
            open_external_uri(uri);
    }
    CoTaskMemFree(uri);
    return S_OK;
}

HRESULT web_ui_new_window_requested(WebUiHost*, ICoreWebView2NewWindowRequestedEventArgs* args)
{
    LPWSTR uri = nullptr;
    HRESULT result = args->lpVtbl->get_Uri(args, &uri);
    if (result < 0)
        return result;
    // No window ever opens from the editor: local pages stay unopened, web
    // addresses go to the system.
    args->lpVtbl->put_Handled(args, TRUE);
    if (uri && !web_ui_uri_is_local_page(uri))
        open_external_uri(uri);
    CoTaskMemFree(uri);
    return S_OK;
}
