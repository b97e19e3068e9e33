// A small LV2 host for the tests: URID map, log capture and a loaded module.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include <string>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>

struct TestHost {
    std::vector<std::string> uris;  // URID n is uris[n - 1]
    std::vector<std::string> messages;
    std::vector<LV2_URID> message_types;
    LV2_URID_Map map;
    LV2_Log_Log log;
    LV2_Feature map_feature;
    LV2_Feature log_feature;

    TestHost();
    LV2_URID id(const char* uri);
    // Null-terminated feature lists.
    std::vector<const LV2_Feature*> features(bool with_map, bool with_log);
};

// The module file, loaded with the platform's loader, and its entry points.
struct LoadedModule {
    void* handle = nullptr;
    LV2_Descriptor_Function lv2_descriptor = nullptr;
    void* lv2ui_descriptor = nullptr;

    bool load(const std::string& path);
    ~LoadedModule();
};

std::string lv2_module_path();
std::string lv2_bundle_path();
