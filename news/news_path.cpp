// Store paths: %APPDATA%\Wyrel.DIGITAL\component\..., and the creation of
// their folders below the root of the path.
#include "news/news.h"
#include "news/news_path.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

static const wchar_t nuvro_store_folder[] = L"\\Wyrel.DIGITAL";
enum { NUVRO_STORE_FOLDER_LEN = 14 };

// Wide length of a UTF-8 component; 0 for an empty or invalid one.
static int nuvro_component_length(const char* component)
{
    size_t n = strlen(component);
    if (n == 0 || n > 0x7FFFFFFF)
        return 0;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, component,
                               (int)n, nullptr, 0);
}

wchar_t* nuvro_build_path_v(bool directory_only, va_list components)
{
    wchar_t probe[1];
    DWORD needed = GetEnvironmentVariableW(L"APPDATA", probe, 1);
    if (needed == 0)
        return nullptr;
    DWORD base_size = needed + 1 + NUVRO_STORE_FOLDER_LEN;
    wchar_t* base = (wchar_t*)malloc(base_size * sizeof(wchar_t));
    if (!base)
        return nullptr;
    DWORD base_len = GetEnvironmentVariableW(L"APPDATA", base, needed + 1);
    // The variable may have grown between the two calls.
    if (base_len == 0 || base_len > needed) {
        free(base);
        return nullptr;
    }
    memcpy(base + base_len, nuvro_store_folder, sizeof(nuvro_store_folder));
    base_len += NUVRO_STORE_FOLDER_LEN;

    // Measure: every component must convert; the last one is dropped for a
    // directory path.
    size_t total = base_len;
    size_t last = 0;
    int count = 0;
    va_list measure;
    va_copy(measure, components);
    for (const char* c = va_arg(measure, const char*); c;
         c = va_arg(measure, const char*)) {
        int n = nuvro_component_length(c);
        if (n == 0) {
            va_end(measure);
            free(base);
            return nullptr;
        }
        last = 1 + (size_t)n;
        total += last;
        count++;
    }
    va_end(measure);
    if (directory_only && count > 0) {
        total -= last;
        count--;
    }

    wchar_t* path = (wchar_t*)malloc((total + 1) * sizeof(wchar_t));
    if (!path) {
        free(base);
        return nullptr;
    }
    memcpy(path, base, base_len * sizeof(wchar_t));
    free(base);
    size_t at = base_len;
    for (int i = 0; i < count; i++) {
        const char* c = va_arg(components, const char*);
        path[at++] = L'\\';
        at += MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c,
                                  (int)strlen(c), path + at,
                                  (int)(total - at));
    }
    path[at] = L'\0';
    return path;
}

wchar_t* nuvro_build_path(bool directory_only, ...)
{
    va_list components;
    va_start(components, directory_only);
    wchar_t* path = nuvro_build_path_v(directory_only, components);
    va_end(components);
    return path;
}

// Length of the name starting at p, up to a backslash or the end.
static size_t nuvro_name_length(const wchar_t* p)
{
    size_t n = 0;
    while (p[n] && p[n] != L'\\')
        n++;
    return n;
}

// "server\share" at p: its length.
static size_t nuvro_share_length(const wchar_t* p)
{
    size_t n = nuvro_name_length(p);
    if (p[n] == L'\\')
        n += 1 + nuvro_name_length(p + n + 1);
    return n;
}

static bool nuvro_is_drive(const wchar_t* p)
{
    return ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
           p[1] == L':';
}

size_t nuvro_skip_root(const wchar_t* path)
{
    if (path[0] == L'\\' && path[1] == L'\\') {
        if ((path[2] == L'?' || path[2] == L'.') && path[3] == L'\\') {
            size_t at = 4;
            if (wcsncmp(path + at, L"UNC\\", 4) == 0) {
                at += 4;
                at += nuvro_share_length(path + at);
            } else if (nuvro_is_drive(path + at)) {
                at += 2;
            }
            return at;
        }
        return 2 + nuvro_share_length(path + 2);
    }
    if (nuvro_is_drive(path))
        return 2;
    return 0;
}

int nuvro_make_folders_v(bool directory_only, va_list components)
{
    wchar_t* path = nuvro_build_path_v(directory_only, components);
    if (!path)
        return -1;
    wchar_t* p = path + nuvro_skip_root(path);
    for (;;) {
        while (*p == L'\\' || *p == L'/')
            p++;
        if (!*p)
            break;
        while (*p && *p != L'\\' && *p != L'/')
            p++;
        wchar_t keep = *p;
        *p = L'\0';
        BOOL made = CreateDirectoryW(path, nullptr);
        *p = keep;
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS) {
            free(path);
            return -1;
        }
    }
    free(path);
    return 0;
}

int nuvro_make_folders(bool directory_only, ...)
{
    va_list components;
    va_start(components, directory_only);
    int result = nuvro_make_folders_v(directory_only, components);
    va_end(components);
    return result;
}
