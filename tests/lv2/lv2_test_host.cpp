#include "tests/lv2/lv2_test_host.h"

#include <stdio.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

static LV2_URID host_map(LV2_URID_Map_Handle handle, const char* uri)
{
    return ((TestHost*)handle)->id(uri);
}

static int host_vprintf(LV2_Log_Handle handle, LV2_URID type, const char* fmt, va_list ap)
{
    TestHost* host = (TestHost*)handle;
    char buffer[1024];
    int n = vsnprintf(buffer, sizeof buffer, fmt, ap);
    host->messages.push_back(buffer);
    host->message_types.push_back(type);
    return n;
}

static int host_printf(LV2_Log_Handle handle, LV2_URID type, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = host_vprintf(handle, type, fmt, ap);
    va_end(ap);
    return n;
}

TestHost::TestHost()
{
    map.handle = this;
    map.map = host_map;
    log.handle = this;
    log.printf = host_printf;
    log.vprintf = host_vprintf;
    map_feature = {LV2_URID__map, &map};
    log_feature = {LV2_LOG__log, &log};
}

LV2_URID TestHost::id(const char* uri)
{
    for (size_t i = 0; i < uris.size(); i++)
        if (uris[i] == uri)
            return (LV2_URID)(i + 1);
    uris.push_back(uri);
    return (LV2_URID)uris.size();
}

std::vector<const LV2_Feature*> TestHost::features(bool with_map, bool with_log)
{
    std::vector<const LV2_Feature*> list;
    if (with_log)
        list.push_back(&log_feature);
    if (with_map)
        list.push_back(&map_feature);
    list.push_back(nullptr);
    return list;
}

std::string lv2_bundle_path() { return BROLT_TEST_LV2_BUNDLE; }

std::string lv2_module_path()
{
    return lv2_bundle_path() + "/" + BROLT_TEST_LV2_BINARY;
}

#ifdef _WIN32
bool LoadedModule::load(const std::string& path)
{
    std::string native = path;
    for (char& c : native)
        if (c == '/')
            c = '\\';
    HMODULE module = LoadLibraryA(native.c_str());
    if (!module)
        return false;
    handle = module;
    lv2_descriptor = (LV2_Descriptor_Function)(void*)GetProcAddress(module, "lv2_descriptor");
    lv2ui_descriptor = (void*)GetProcAddress(module, "lv2ui_descriptor");
    return lv2_descriptor != nullptr;
}

LoadedModule::~LoadedModule()
{
    if (handle)
        FreeLibrary((HMODULE)handle);
}
#else
bool LoadedModule::load(const std::string& path)
{
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    lv2_descriptor = (LV2_Descriptor_Function)dlsym(handle, "lv2_descriptor");
    lv2ui_descriptor = dlsym(handle, "lv2ui_descriptor");
    return lv2_descriptor != nullptr;
}

LoadedModule::~LoadedModule()
{
    if (handle)
        dlclose(handle);
}
#endif
