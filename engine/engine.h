// The effect engine: one mono overdrive channel driven through five
// operations. The record holds no pointers and owns no heap memory, so a
// binding embeds it by value and may copy or clear it as bytes.
#pragma once

#include <stdint.h>

enum {
    ENGINE_PARAM_DRIVE = 0,
    ENGINE_PARAM_TONE = 1,
    ENGINE_PARAM_HEAT = 2,
    ENGINE_PARAM_MIX = 3,
    ENGINE_PARAM_VOLUME = 4,
    ENGINE_PARAM_BYPASS = 5,
    ENGINE_PARAM_COUNT = 6
};

// One row of the parameter table. The index order is the order of the LV2
// control ports, of the VST3 parameter list and of the page's indices.
typedef struct EngineParamInfo {
    const char* key;   // state key, e.g. "drive"
    const char* name;  // display name, e.g. "Drive"
    const char* unit;  // "%" or ""
    float minimum;
    float maximum;
    float default_value;
    int32_t step_count;  // 0 continuous, 1 toggle
} EngineParamInfo;

extern const EngineParamInfo engine_params[ENGINE_PARAM_COUNT];

typedef struct Engine {
    float sample_rate;
    // The six values last given to engine_set_parameter, in index order.
    float params[ENGINE_PARAM_COUNT];
} Engine;

void engine_init(Engine* engine);
void engine_set_sample_rate(Engine* engine, float fs);
void engine_reset(Engine* engine);
void engine_set_parameter(Engine* engine, int32_t index, float value);
void engine_process(Engine* engine, const float* in, float* out, uint32_t n);

// The value last given to engine_set_parameter for index (0 for an index
// outside the table).
float engine_get_parameter(const Engine* engine, int32_t index);
