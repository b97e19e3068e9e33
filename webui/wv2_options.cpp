// WV2EnvironmentOptions: the options object handed to the WebView2 loader.
#include "webui/web_ui_internal.h"

#include <objbase.h>

#include <cwchar>

static WV2EnvironmentOptions* options_from(ICoreWebView2EnvironmentOptions* self)
{
    return reinterpret_cast<WV2EnvironmentOptions*>(self);
}

// A CoTaskMemAlloc copy of text, NUL included; null when out of memory.
static LPWSTR task_copy(const wchar_t* text)
{
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    LPWSTR copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

static HRESULT get_text(const wchar_t* property, LPWSTR* value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    if (!property)
        return S_OK;
    *value = task_copy(property);
    return *value ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

static HRESULT put_text(LPWSTR* property, LPCWSTR value)
{
    CoTaskMemFree(*property);
    *property = nullptr;
    if (!value)
        return S_OK;
    *property = task_copy(value);
    return *property ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

static HRESULT WV2_CALL options_query_interface(ICoreWebView2EnvironmentOptions* self, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (wv2_iid_equal(iid, wv2_iid_environment_options) || wv2_iid_equal(iid, wv2_iid_unknown)) {
        InterlockedIncrement(&options_from(self)->reference_count);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static ULONG WV2_CALL options_add_ref(ICoreWebView2EnvironmentOptions* self)
{
    return static_cast<ULONG>(InterlockedIncrement(&options_from(self)->reference_count));
}

static ULONG WV2_CALL options_release(ICoreWebView2EnvironmentOptions* self)
{
    WV2EnvironmentOptions* options = options_from(self);
    LONG count = InterlockedDecrement(&options->reference_count);
    if (count == 0)
        options->table->destroy_and_free(options);
    return static_cast<ULONG>(count);
}

static HRESULT WV2_CALL get_additional_browser_arguments(ICoreWebView2EnvironmentOptions* self, LPWSTR* value)
{
    return get_text(options_from(self)->additional_browser_arguments, value);
}

static HRESULT WV2_CALL put_additional_browser_arguments(ICoreWebView2EnvironmentOptions* self, LPCWSTR value)
{
    return put_text(&options_from(self)->additional_browser_arguments, value);
}

static HRESULT WV2_CALL get_language(ICoreWebView2EnvironmentOptions* self, LPWSTR* value)
{
    return get_text(options_from(self)->language, value);
}

static HRESULT WV2_CALL put_language(ICoreWebView2EnvironmentOptions* self, LPCWSTR value)
{
    return put_text(&options_from(self)->language, value);
}

static HRESULT WV2_CALL get_target_compatible_browser_version(ICoreWebView2EnvironmentOptions* self, LPWSTR* value)
{
    return get_text(options_from(self)->target_compatible_browser_version, value);
}

static HRESULT WV2_CALL put_target_compatible_browser_version(ICoreWebView2EnvironmentOptions* self, LPCWSTR value)
{
    return put_text(&options_from(self)->target_compatible_browser_version, value);
}

static HRESULT WV2_CALL get_allow_single_sign_on(ICoreWebView2EnvironmentOptions* self, BOOL* value)
{
    if (!value)
        return E_POINTER;
    *value = options_from(self)->allow_single_sign_on_using_os_primary_account;
    return S_OK;
}

static HRESULT WV2_CALL put_allow_single_sign_on(ICoreWebView2EnvironmentOptions* self, BOOL value)
{
    options_from(self)->allow_single_sign_on_using_os_primary_account = value;
    return S_OK;
}

static void options_destroy(WV2EnvironmentOptions* options)
{
    CoTaskMemFree(options->target_compatible_browser_version);
    CoTaskMemFree(options->language);
    CoTaskMemFree(options->additional_browser_arguments);
}

static void options_destroy_and_free(WV2EnvironmentOptions* options)
{
    options_destroy(options);
    free(options);
}

static const Wv2OptionsTable options_table = {
    {
        options_query_interface,
        options_add_ref,
        options_release,
        get_additional_browser_arguments,
        put_additional_browser_arguments,
        get_language,
        put_language,
        get_target_compatible_browser_version,
        put_target_compatible_browser_version,
        get_allow_single_sign_on,
        put_allow_single_sign_on,
    },
    options_destroy,
    options_destroy_and_free,
};

WV2EnvironmentOptions* wv2_options_create(const wchar_t* target_version)
{
    WV2EnvironmentOptions* options =
        static_cast<WV2EnvironmentOptions*>(calloc(1, sizeof(WV2EnvironmentOptions)));
    if (!options)
        return nullptr;
    options->table = &options_table;
    options->allow_single_sign_on_using_os_primary_account = FALSE;
    options->reference_count = 1;
    // Out of memory here only leaves the version unset.
    if (target_version)
        options->target_compatible_browser_version = task_copy(target_version);
    return options;
}

ICoreWebView2EnvironmentOptions* wv2_options_interface(WV2EnvironmentOptions* options)
{
    return reinterpret_cast<ICoreWebView2EnvironmentOptions*>(options);
}
