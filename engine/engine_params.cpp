#include "engine/engine.h"

const EngineParamInfo engine_params[ENGINE_PARAM_COUNT] = {
    {"drive", "Drive", "%", 0.0f, 100.0f, 50.0f, 0},
    {"tone", "Tone", "%", 0.0f, 100.0f, 50.0f, 0},
    {"heat", "Heat", "%", 0.0f, 100.0f, 50.0f, 0},
    {"mix", "Mix", "%", 0.0f, 100.0f, 100.0f, 0},
    {"volume", "Volume", "%", 0.0f, 200.0f, 100.0f, 0},
    {"bypass", "Bypass", "", 0.0f, 1.0f, 0.0f, 1},
};
