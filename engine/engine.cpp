// Engine operations. The signal path is not built yet: engine_process
// passes its input through unchanged.
#include "engine/engine.h"

#include <string.h>

void engine_init(Engine* engine)
{
    memset(engine, 0, sizeof *engine);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        engine_set_parameter(engine, i, engine_params[i].default_value);
}

void engine_set_sample_rate(Engine* engine, float fs)
{
    engine->sample_rate = fs;
}

void engine_reset(Engine* engine)
{
    (void)engine;
}

void engine_set_parameter(Engine* engine, int32_t index, float value)
{
    if (index < 0 || index >= ENGINE_PARAM_COUNT)
        return;
    engine->params[index] = value;
}

void engine_process(Engine* engine, const float* in, float* out, uint32_t n)
{
    (void)engine;
    if (n != 0 && in != out)
        memmove(out, in, (size_t)n * sizeof *out);
}

float engine_get_parameter(const Engine* engine, int32_t index)
{
    if (index < 0 || index >= ENGINE_PARAM_COUNT)
        return 0.0f;
    return engine->params[index];
}
