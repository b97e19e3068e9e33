// The entries both bindings save and the rules both apply when loading.
#include "state/state.h"

#include <string.h>

#define STATE_PLUGIN_ID "wyrel-brolt"

// Plug-in version 1.2.0, build 1, as little-endian 32-bit integers.
static const uint8_t VERSION_MAJOR[4] = {1, 0, 0, 0};
static const uint8_t VERSION_MINOR[4] = {2, 0, 0, 0};
static const uint8_t VERSION_REVISION[4] = {0, 0, 0, 0};
static const uint8_t VERSION_BUILD[4] = {1, 0, 0, 0};

static void put_f32le(uint8_t* out, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; i++)
        out[i] = (uint8_t)(bits >> (8 * i));
}

static float get_f32le(const uint8_t* in)
{
    uint32_t bits = 0;
    for (int i = 0; i < 4; i++)
        bits |= (uint32_t)in[i] << (8 * i);
    float value;
    memcpy(&value, &bits, 4);
    return value;
}

static int insert_text(kv_map* map, const char* key, const void* value, uint64_t length)
{
    return kv_map_insert(map, key, strlen(key), value, length);
}

int state_doc_fill(state_doc* doc, StateSaveValues* keep, const char* format,
                   float sample_rate, const float values[ENGINE_PARAM_COUNT])
{
    put_f32le(keep->sample_rate, sample_rate);
    const struct {
        const char* key;
        const void* value;
        uint64_t length;
    } info[] = {
        {"id", STATE_PLUGIN_ID, sizeof STATE_PLUGIN_ID - 1},
        {"version_major", VERSION_MAJOR, 4},
        {"version_minor", VERSION_MINOR, 4},
        {"version_revision", VERSION_REVISION, 4},
        {"version_build", VERSION_BUILD, 4},
        {"format", format, strlen(format)},
        {"platform", "windows", 7},
        {"sample_rate", keep->sample_rate, 4},
    };
    for (size_t i = 0; i < sizeof info / sizeof info[0]; i++)
        if (insert_text(doc->info, info[i].key, info[i].value, info[i].length) != 0)
            return -1;
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        put_f32le(keep->params[i], values[i]);
        if (insert_text(doc->parameters, engine_params[i].key, keep->params[i], 4) != 0)
            return -1;
    }
    return 0;
}

int state_doc_load_values(const state_doc* doc, float values[ENGINE_PARAM_COUNT])
{
    uint64_t length;
    const uint8_t* id = kv_map_find(doc->info, "id", 2, &length);
    if (!id || length != sizeof STATE_PLUGIN_ID - 1 || memcmp(id, STATE_PLUGIN_ID, (size_t)length) != 0)
        return -1;
    float loaded[ENGINE_PARAM_COUNT];
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        const char* key = engine_params[i].key;
        const uint8_t* value = kv_map_find(doc->parameters, key, strlen(key), &length);
        if (!value || length != 4)
            return -1;
        loaded[i] = get_f32le(value);
        if (loaded[i] != loaded[i])
            return -1;  // NaN
    }
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        values[i] = state_limit_value(i, loaded[i]);
    return 0;
}

float state_limit_value(int32_t index, float value)
{
    const EngineParamInfo* p = &engine_params[index];
    if (index == ENGINE_PARAM_BYPASS)
        value = value >= 0.5f ? 1.0f : 0.0f;
    if (value < p->minimum)
        return p->minimum;
    if (value > p->maximum)
        return p->maximum;
    return value;
}
