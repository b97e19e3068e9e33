// The module and resources folders, from the module's wide file name so
// that an install path with any characters survives the trip to UTF-8.
#include "vst3/vst3_binding.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>

// A new UTF-8 text of the first n units of wide, or null for invalid UTF-16.
static char* utf8_of_wide(const wchar_t* wide, int n)
{
    if (n == 0)
        return (char*)calloc(1, 1);
    int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, n, NULL, 0, NULL, NULL);
    if (size <= 0)
        return NULL;
    char* text = (char*)malloc((size_t)size + 1);
    if (!text)
        return NULL;
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, n, text, size, NULL, NULL) !=
        size) {
        free(text);
        return NULL;
    }
    text[size] = 0;
    return text;
}

static int last_backslash(const wchar_t* text, int n)
{
    for (int i = n - 1; i >= 0; i--)
        if (text[i] == L'\\')
            return i;
    return -1;
}

int vst3_folders_from_path(const wchar_t* path, char** module_folder, char** resources_folder)
{
    *module_folder = NULL;
    *resources_folder = NULL;
    if (!path)
        return -1;
    int module_end = last_backslash(path, (int)wcslen(path));
    if (module_end < 0)
        return -1;
    int contents_end = last_backslash(path, module_end);
    if (contents_end < 0)
        return -1;
    char* module = utf8_of_wide(path, module_end);
    char* contents = utf8_of_wide(path, contents_end);
    char* resources = NULL;
    if (contents) {
        size_t n = strlen(contents);
        resources = (char*)malloc(n + 12);
        if (resources) {
            memcpy(resources, contents, n);
            memcpy(resources + n, "\\Resources", 11);
        }
    }
    free(contents);
    if (!module || !resources) {
        free(module);
        free(resources);
        return -1;
    }
    *module_folder = module;
    *resources_folder = resources;
    return 0;
}
