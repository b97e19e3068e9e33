// The LV2 plug-in: descriptor, instance and the per-block hand-over of the
// control ports to the engine through the parameter exchange.
#include "lv2/lv2_binding.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2_util.h>

#include "engine/denormal_guard.h"

float lv2_port_to_engine(uint32_t port, float value)
{
    if (port == LV2_PORT_ENABLED)
        return value > 0.0f ? 0.0f : 1.0f;
    float maximum = engine_params[port - LV2_PORT_FIRST_CONTROL].maximum;
    if (value < 0.0f)
        return 0.0f;
    if (value > maximum)
        return maximum;
    return value;
}

void lv2_plugin_log(Lv2Plugin* plugin, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    lv2_log_vprintf(&plugin->logger, plugin->logger.Error, format, args);
    va_end(args);
}

static LV2_Handle lv2_instantiate(const LV2_Descriptor* descriptor, double rate,
                                  const char* bundle_path,
                                  const LV2_Feature* const* features)
{
    (void)descriptor;
    (void)bundle_path;
    Lv2Plugin* plugin = (Lv2Plugin*)calloc(1, sizeof *plugin);
    if (!plugin)
        return NULL;

    LV2_Log_Log* log = NULL;
    LV2_URID_Map* map = NULL;
    const char* missing = lv2_features_query(features,
                                             LV2_LOG__log, &log, false,
                                             LV2_URID__map, &map, true,
                                             NULL);
    plugin->logger.log = log;
    lv2_log_logger_set_map(&plugin->logger, map);
    plugin->map = map;
    if (missing)
        lv2_plugin_log(plugin, "Missing feature <%s>\n", missing);
    if (map) {
        plugin->chunk_type = map->map(map->handle, LV2_ATOM__Chunk);
        plugin->state_key = map->map(map->handle, BROLT_STATE_PROPERTY);
    }

    plugin->sample_rate = (float)rate;
    engine_init(&plugin->engine);
    engine_set_sample_rate(&plugin->engine, plugin->sample_rate);

    float defaults[ENGINE_PARAM_COUNT];
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        defaults[i] = engine_params[i].default_value;
    param_exchange_init(&plugin->exchange, defaults);
    return plugin;
}

static void lv2_connect_port(LV2_Handle instance, uint32_t port, void* data)
{
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (port < LV2_PORT_COUNT)
        plugin->ports[port] = (float*)data;
}

static void lv2_activate(LV2_Handle instance)
{
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    ParamExchange* px = &plugin->exchange;
    // A restore handed over before activation must survive it: an
    // unconnected control then takes the restored value, not the default.
    // The lock keeps a state call on another thread out meanwhile;
    // param_exchange_init releases it.
    param_exchange_lock(px);
    int pending = px->restored;
    float values[ENGINE_PARAM_COUNT];
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        const float* port = plugin->ports[LV2_PORT_FIRST_CONTROL + i];
        float value = engine_params[i].default_value;
        if (pending)
            value = px->param_exchange[i];
        if (port && *port == *port)
            value = lv2_port_to_engine((uint32_t)(LV2_PORT_FIRST_CONTROL + i), *port);
        values[i] = value;
        engine_set_parameter(&plugin->engine, i, value);
    }
    param_exchange_init(px, values);
    engine_reset(&plugin->engine);
}

static void lv2_run(LV2_Handle instance, uint32_t sample_count)
{
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    ParamExchange* px = &plugin->exchange;
    uint32_t saved_csr = denormal_guard_enter();

    int locked = param_exchange_try_lock(px);
    if (locked)
        param_exchange_sync(px, &plugin->engine);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        const float* port = plugin->ports[LV2_PORT_FIRST_CONTROL + i];
        // A NaN on a control port carries no value: the parameter keeps its last one.
        if (!port || *port != *port)
            continue;
        float value = lv2_port_to_engine((uint32_t)(LV2_PORT_FIRST_CONTROL + i), *port);
        param_exchange_take(px, &plugin->engine, i, value, locked);
    }
    if (locked)
        param_exchange_unlock(px);

    engine_process(&plugin->engine, plugin->ports[LV2_PORT_INPUT],
                   plugin->ports[LV2_PORT_OUTPUT], sample_count);

    denormal_guard_leave(saved_csr);
}

static void lv2_cleanup(LV2_Handle instance)
{
    free(instance);
}

static const void* lv2_extension_data(const char* uri)
{
    return lv2_state_extension(uri);
}

const LV2_Descriptor lv2_plugin_descriptor = {
    BROLT_PLUGIN_URI,
    lv2_instantiate,
    lv2_connect_port,
    lv2_activate,
    lv2_run,
    NULL,  // no deactivate
    lv2_cleanup,
    lv2_extension_data,
};

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &lv2_plugin_descriptor : NULL;
}
