// The LV2 binding: the plug-in descriptor and instance (and, with the state
// interface, its save and restore).
#pragma once

#include <stdint.h>

#include <lv2/core/lv2.h>
#include <lv2/log/logger.h>
#include <lv2/urid/urid.h>

#include "engine/engine.h"
#include "engine/param_exchange.h"

// The one state property: the whole state document as a chunk.
#define BROLT_STATE_PROPERTY BROLT_PLUGIN_URI "#state_data"

enum {
    LV2_PORT_INPUT = 0,
    LV2_PORT_OUTPUT = 1,
    LV2_PORT_FIRST_CONTROL = 2,  // port 2 + i carries parameter i
    LV2_PORT_ENABLED = 7,        // above 0 means processing (bypass 0)
    LV2_PORT_COUNT = 8
};

typedef struct Lv2Plugin {
    Engine engine;
    float sample_rate;
    float* ports[LV2_PORT_COUNT];
    ParamExchange exchange;  // param_values, param_exchange, state_lock, synced, restored
    LV2_Log_Logger logger;
    LV2_URID_Map* map;
    LV2_URID chunk_type;
    LV2_URID state_key;
} Lv2Plugin;

extern const LV2_Descriptor lv2_plugin_descriptor;

// A control port's value in engine units: ports 2 to 6 limited to 0 to the
// parameter's maximum, port 7 turned into the bypass value.
float lv2_port_to_engine(uint32_t port, float value);

// Every message goes out at error level, to the host's log or to stderr.
void lv2_plugin_log(Lv2Plugin* plugin, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The state interface, or null when the state part is not built in.
const void* lv2_state_extension(const char* uri);
