// The parameter exchange between a binding's audio thread and its state
// calls, shared by the VST3 processor and the LV2 instance.
//
// `param_values` belongs to the audio thread: the latest value it has seen
// for each parameter. `param_exchange`, `synced`, `restored` and the engine's
// parameter values are shared and touched only while `state_lock` is held.
// The audio thread tries the lock once per pass and never waits; the state
// calls spin, pause and then yield. Every holder other than the audio thread
// clears `synced`, so the next pass re-examines the values.
#pragma once

#include <stdint.h>

#include "engine/engine.h"

typedef struct ParamExchange {
    float param_values[ENGINE_PARAM_COUNT];
    float param_exchange[ENGINE_PARAM_COUNT];
    uint8_t state_lock;  // bit 0 set = held
    uint8_t synced;
    uint8_t restored;
} ParamExchange;

// Both arrays take values; the lock is freed, synced = 1, restored = 0.
void param_exchange_init(ParamExchange* px, const float values[ENGINE_PARAM_COUNT]);

// Audio thread: one atomic exchange. Returns 1 when the lock was taken.
int param_exchange_try_lock(ParamExchange* px);

// Other threads: blocking spin (100 tries with a pause, then yielding),
// then synced = 0.
void param_exchange_lock(ParamExchange* px);

void param_exchange_unlock(ParamExchange* px);

// Audio thread, lock held: bring the engine up to date after a save or a
// restore (nothing to do while synced is 1). Leaves synced = 1, restored = 0.
void param_exchange_sync(ParamExchange* px, Engine* engine);

// Audio thread: a new value for parameter index. It is kept in
// `param_values` when it differs (a NaN on either side counts as different);
// with the lock held it also reaches `param_exchange` and the engine.
void param_exchange_take(ParamExchange* px, Engine* engine, int32_t index,
                         float value, int locked);

// State save: the six values to write. While a restore is still pending
// these are the restored values, otherwise the engine's own.
void param_exchange_read(ParamExchange* px, const Engine* engine,
                         float out[ENGINE_PARAM_COUNT]);

// State restore: hand six values (already limited) to the audio thread,
// which applies them at the start of its next pass.
void param_exchange_hand_over(ParamExchange* px, const float values[ENGINE_PARAM_COUNT]);
