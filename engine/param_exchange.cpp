#include "engine/param_exchange.h"

#include <immintrin.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
static void yield_thread(void) { SwitchToThread(); }
#else
#include <sched.h>
static void yield_thread(void) { sched_yield(); }
#endif

// NaN differs from everything, itself included.
static int values_differ(float a, float b) { return !(a == b); }

static uint8_t exchange_lock(ParamExchange* px, uint8_t value)
{
    return __atomic_exchange_n(&px->state_lock, value, __ATOMIC_SEQ_CST);
}

void param_exchange_init(ParamExchange* px, const float values[ENGINE_PARAM_COUNT])
{
    memcpy(px->param_values, values, sizeof px->param_values);
    memcpy(px->param_exchange, values, sizeof px->param_exchange);
    exchange_lock(px, 0);
    px->synced = 1;
    px->restored = 0;
}

int param_exchange_try_lock(ParamExchange* px)
{
    return (exchange_lock(px, 1) & 1) == 0;
}

void param_exchange_lock(ParamExchange* px)
{
    // 100 quick tries in rounds of five, with a pause after each miss.
    for (int round = 0; round < 20; round++) {
        for (int i = 0; i < 5; i++) {
            if ((exchange_lock(px, 1) & 1) == 0)
                goto taken;
            _mm_pause();
        }
    }
    while (exchange_lock(px, 1) & 1)
        yield_thread();
taken:
    px->synced = 0;
}

void param_exchange_unlock(ParamExchange* px)
{
    exchange_lock(px, 0);
}

void param_exchange_sync(ParamExchange* px, Engine* engine)
{
    if (px->synced)
        return;
    if (px->restored) {
        for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
            px->param_values[i] = px->param_exchange[i];
            engine_set_parameter(engine, i, px->param_values[i]);
        }
    } else {
        for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
            if (values_differ(px->param_values[i], px->param_exchange[i])) {
                px->param_exchange[i] = px->param_values[i];
                engine_set_parameter(engine, i, px->param_values[i]);
            }
        }
    }
    px->synced = 1;
    px->restored = 0;
}

void param_exchange_take(ParamExchange* px, Engine* engine, int32_t index,
                         float value, int locked)
{
    if (!values_differ(value, px->param_values[index]))
        return;
    px->param_values[index] = value;
    if (locked) {
        px->param_exchange[index] = value;
        engine_set_parameter(engine, index, value);
    }
}

void param_exchange_read(ParamExchange* px, const Engine* engine,
                         float out[ENGINE_PARAM_COUNT])
{
    param_exchange_lock(px);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        out[i] = px->restored ? px->param_exchange[i] : engine_get_parameter(engine, i);
    param_exchange_unlock(px);
}

void param_exchange_hand_over(ParamExchange* px, const float values[ENGINE_PARAM_COUNT])
{
    param_exchange_lock(px);
    memcpy(px->param_exchange, values, sizeof px->param_exchange);
    px->restored = 1;
    param_exchange_unlock(px);
}
