// The LV2 state interface: the whole state is one chunk property holding
// the state document. Values cross to and from the audio thread only
// through the parameter exchange, so the host may call this during run.
#include "lv2/lv2_binding.h"

#include <stdlib.h>
#include <string.h>

#include <lv2/state/state.h>

#include "state/state.h"

static LV2_State_Status lv2_state_save(LV2_Handle instance, LV2_State_Store_Function store,
                                       LV2_State_Handle handle, uint32_t flags,
                                       const LV2_Feature* const* features)
{
    (void)flags;
    (void)features;
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (!plugin->map) {
        lv2_plugin_log(plugin, "Host is trying to store state but didn't provide URID map\n");
        return LV2_STATE_ERR_UNKNOWN;
    }
    // A restore not yet applied by run is what the user expects to be saved,
    // so the exchange hands out the pending values in that case.
    float values[ENGINE_PARAM_COUNT];
    param_exchange_read(&plugin->exchange, &plugin->engine, values);

    state_doc doc;
    if (state_doc_init(&doc) != 0)
        return LV2_STATE_ERR_UNKNOWN;
    StateSaveValues keep;
    size_t size = 0;
    uint8_t* blob = NULL;
    if (state_doc_fill(&doc, &keep, "lv2", plugin->sample_rate, values) == 0)
        blob = state_doc_serialize(&doc, &size);
    LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
    if (blob &&
        store(handle, plugin->state_key, blob, size, plugin->chunk_type,
              LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE) == LV2_STATE_SUCCESS)
        status = LV2_STATE_SUCCESS;
    free(blob);
    state_doc_free(&doc);
    return status;
}

static LV2_State_Status lv2_state_restore(LV2_Handle instance,
                                          LV2_State_Retrieve_Function retrieve,
                                          LV2_State_Handle handle, uint32_t flags,
                                          const LV2_Feature* const* features)
{
    (void)flags;
    (void)features;
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (!plugin->map) {
        lv2_plugin_log(plugin, "Host is trying to restore state but didn't provide URID map\n");
        return LV2_STATE_ERR_UNKNOWN;
    }
    size_t size = 0;
    uint32_t type = 0;
    uint32_t value_flags = 0;
    const void* blob = retrieve(handle, plugin->state_key, &size, &type, &value_flags);
    if (!blob) {
        lv2_plugin_log(plugin, "Cannot restore state since property <%s> could not be retrieved\n",
                       BROLT_STATE_PROPERTY);
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    state_doc doc;
    if (state_doc_parse(&doc, blob, size) != 0)
        return LV2_STATE_ERR_UNKNOWN;
    float values[ENGINE_PARAM_COUNT];
    int loaded = state_doc_load_values(&doc, values);
    state_doc_free(&doc);
    if (loaded != 0)
        return LV2_STATE_ERR_UNKNOWN;
    param_exchange_hand_over(&plugin->exchange, values);
    return LV2_STATE_SUCCESS;
}

static const LV2_State_Interface lv2_state_interface = {lv2_state_save, lv2_state_restore};

const void* lv2_state_extension(const char* uri)
{
    if (uri && strcmp(uri, LV2_STATE__interface) == 0)
        return &lv2_state_interface;
    return NULL;
}
