// The module's two entry points. DllMain records the folders once per
// process; GetPluginFactory hands out the static factory.
#include "vst3/vst3_binding.h"

#include <stdlib.h>
#include <windows.h>

static int32_t attach_count;
static char* module_folder;
static char* resources_folder;

const char* get_module_folder(void* user_data)
{
    (void)user_data;
    return module_folder;
}

const char* get_resources_folder(void* user_data)
{
    (void)user_data;
    return resources_folder;
}

static BOOL module_attach(void)
{
    HMODULE module = NULL;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCWSTR)(void*)&module_attach, &module))
        return FALSE;
    DWORD size = 260;
    wchar_t* path = NULL;
    for (;;) {
        wchar_t* grown = (wchar_t*)realloc(path, size * sizeof *path);
        if (!grown) {
            free(path);
            return FALSE;
        }
        path = grown;
        DWORD n = GetModuleFileNameW(module, path, size);
        if (n == 0) {
            free(path);
            return FALSE;
        }
        if (n < size)
            break;
        size *= 2;
    }
    int result = vst3_folders_from_path(path, &module_folder, &resources_folder);
    free(path);
    if (result != 0)
        return FALSE;
    attach_count = 1;
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (attach_count == 0)
            return module_attach();
        attach_count++;
        return TRUE;
    case DLL_PROCESS_DETACH:
        if (attach_count > 0 && --attach_count == 0) {
            free(module_folder);
            free(resources_folder);
            module_folder = NULL;
            resources_folder = NULL;
        }
        return TRUE;
    default:
        return TRUE;
    }
}

extern "C" __declspec(dllexport) Vst3PluginFactory* GetPluginFactory(void)
{
    return &vst3_factory;
}
