// A minimal in-process LV2 host for the binding's tests: a URID map, a log
// that records messages, and in-memory state store and retrieve functions.
#pragma once

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/lv2_binding.h"
#include "tests/lv2/lv2_test_host.h"
#include "state/state.h"

// Spelled out here so the test checks the binding's URI, not shares it.
#define TEST_STATE_PROPERTY BROLT_PLUGIN_URI "#state_data"

// The test host with an in-memory state store behind it.
struct StateHost : TestHost {
    const LV2_Feature* all[3] = {&map_feature, &log_feature, nullptr};
    const LV2_Feature* log_only[2] = {&log_feature, nullptr};

    // The stored property, as a host would keep it.
    std::string stored;
    uint32_t stored_key = 0, stored_type = 0, stored_flags = 0;
    int store_calls = 0;
    LV2_State_Status store_result = LV2_STATE_SUCCESS;
    bool have_property = true;

    LV2_URID urid(const char* uri) { return id(uri); }

    static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value,
                                  size_t size, uint32_t type, uint32_t flags)
    {
        StateHost* host = (StateHost*)handle;
        host->store_calls++;
        host->stored.assign((const char*)value, size);
        host->stored_key = key;
        host->stored_type = type;
        host->stored_flags = flags;
        return host->store_result;
    }
    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size,
                                uint32_t* type, uint32_t* flags)
    {
        StateHost* host = (StateHost*)handle;
        if (!host->have_property || key != host->urid(TEST_STATE_PROPERTY))
            return nullptr;
        *size = host->stored.size();
        *type = host->stored_type;
        *flags = host->stored_flags;
        return host->stored.data();
    }
};

inline const LV2_State_Interface* test_state_interface()
{
    return (const LV2_State_Interface*)lv2_plugin_descriptor.extension_data(LV2_STATE__interface);
}

// A state document as either module writes it.
inline std::string test_state_blob(const float values[ENGINE_PARAM_COUNT],
                                   const char* format = "lv2", float rate = 48000.0f)
{
    state_doc doc;
    if (state_doc_init(&doc) != 0)
        return std::string();
    StateSaveValues keep;
    std::string blob;
    size_t size = 0;
    uint8_t* bytes = NULL;
    if (state_doc_fill(&doc, &keep, format, rate, values) == 0)
        bytes = state_doc_serialize(&doc, &size);
    if (bytes)
        blob.assign((const char*)bytes, size);
    free(bytes);
    state_doc_free(&doc);
    return blob;
}

// The six stored values of a blob, or false when it does not load.
inline bool test_state_values(const std::string& blob, float values[ENGINE_PARAM_COUNT])
{
    state_doc doc;
    if (state_doc_parse(&doc, blob.data(), blob.size()) != 0)
        return false;
    bool ok = state_doc_load_values(&doc, values) == 0;
    state_doc_free(&doc);
    return ok;
}
