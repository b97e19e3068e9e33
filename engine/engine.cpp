// Engine operations: sample-rate setup, reset, parameter curves and the
// per-sample channel (input gain, coupling filters, oversampled clipping and
// tone stages, output coupling filters, mix, volume and bypass).
#include "engine/engine.h"

#include <string.h>

#include "engine/clip_stage.h"
#include "engine/fast_math.h"
#include "engine/filters.h"
#include "engine/resampler.h"
#include "engine/tone_stage.h"

static const float engine_level_cutoff = 3.1830971f;  // 50 ms

void engine_init(Engine* engine)
{
    memset(engine, 0, sizeof *engine);
    clip_init(&engine->clip);
    tone_init(&engine->tone);
    engine->heat_level.smooth_cutoff = engine_level_cutoff;
    engine->mix.smooth_cutoff = engine_level_cutoff;
    engine->volume.smooth_cutoff = engine_level_cutoff;
    engine->bypass.smooth_cutoff = engine_level_cutoff;
    engine->oversampling = 1;
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        engine_set_parameter(engine, i, engine_params[i].default_value);
}

void engine_set_sample_rate(Engine* engine, float fs)
{
    one_pole_design(&engine->in_hp[0], 7.09f, fs);
    one_pole_design(&engine->in_hp[1], 15.52f, fs);

    // The smallest factor that reaches 176.4 kHz, at most 16.
    float q = 176400.0f / fs;
    int32_t n = q > (float)ENGINE_MAX_OVERSAMPLING ? ENGINE_MAX_OVERSAMPLING
                                                   : fast_trunc_int(__builtin_ceilf(q));
    if (n < 1)
        n = 1;
    engine->oversampling = n;
    if (q > 1.0f) {
        float x = resampler_edge(n);
        resampler_design(&engine->up, n, x);
        resampler_design(&engine->down, -n, x);
    }

    float fs_os = (float)n * fs;
    clip_set_rate(&engine->clip, fs_os);
    smoother_set_rate(&engine->heat_level, fs_os);
    tone_set_rate(&engine->tone, fs_os);
    one_pole_design(&engine->out_hp[0], 3.12f, fs);
    one_pole_design(&engine->out_hp[1], 1.59f, fs);
    smoother_set_rate(&engine->mix, fs);
    smoother_set_rate(&engine->volume, fs);
    smoother_set_rate(&engine->bypass, fs);
}

void engine_reset(Engine* engine)
{
    engine->in_hp_state[0] = 0.0f;
    engine->in_hp_state[1] = 0.0f;
    if (engine->oversampling >= 2) {
        memset(&engine->up_state, 0, sizeof engine->up_state);
        memset(&engine->down_state, 0, sizeof engine->down_state);
    }
    clip_reset(&engine->clip, engine->clip_state);
    smoother_reset(&engine->heat_level);
    tone_reset(&engine->tone, engine->tone_state);
    engine->out_hp_state[0] = 0.0f;
    engine->out_hp_state[1] = 0.0f;
    smoother_reset(&engine->mix);
    smoother_reset(&engine->volume);
    smoother_reset(&engine->bypass);
}

static float engine_volume_target(float v)
{
    float y = v * 0.01f;
    if (y < 0.001f)
        return 0.0f;
    // -24 dB per unit of cv relative to 0.25; below volume 10 the curve
    // bends down faster.
    float cv = y < 0.1f ? fast_rcp(y) * 0.01f + 0.8f : 1.0f - y;
    return fast_pow2(cv * -1.2f * 3.321928f) * 0.25f;
}

void engine_set_parameter(Engine* engine, int32_t index, float value)
{
    switch (index) {
    case ENGINE_PARAM_DRIVE:
        clip_set_drive(&engine->clip, value);
        break;
    case ENGINE_PARAM_TONE:
        tone_set_tone(&engine->tone, value);
        break;
    case ENGINE_PARAM_HEAT:
        clip_set_heat(&engine->clip, value);
        engine->heat_level.target = (4.771561e-05f * value - 0.010261261f) * value + 1.393774f;
        break;
    case ENGINE_PARAM_MIX:
        // (49^(v/100) - 1)/48: 0 at 0, 0.125 at 50, about 1 at 100.
        engine->mix.target = fast_pow2(0.0561471f * value - 5.5849624f) - 0.020833334f;
        break;
    case ENGINE_PARAM_VOLUME:
        engine->volume.target = engine_volume_target(value);
        break;
    case ENGINE_PARAM_BYPASS:
        engine->bypass.target = value >= 0.5f ? 0.0f : 1.0f;
        break;
    default:
        return;
    }
    engine->params[index] = value;
}

// One pass of the circuit at the oversampled rate. The fast form skips a
// coefficient update when its inputs are the ones it last ran with and no
// capacitance changed (it would give the same bits again); plain runs it
// every time.
// Always inlined, so that each block loop gets its own copy with `plain`
// folded away.
#define ENGINE_INLINE static inline __attribute__((always_inline))

ENGINE_INLINE float engine_circuit_pass(Engine* engine, float s, const int plain)
{
    ClippingStage* cs = &engine->clip;
    if (clip_update_controls(cs, 0) || plain || !cs->coeffs_steady)
        clip_update_coefficients(cs);
    float q = clip_process(cs, engine->clip_state, s);
    q = q * smoother_step(&engine->heat_level);
    ToneStage* ts = &engine->tone;
    if (tone_update_controls(ts, 0) || plain || !ts->coeffs_steady)
        tone_update_coefficients(ts);
    return tone_solve(ts, engine->tone_state, q);
}

ENGINE_INLINE float engine_channel(Engine* engine, float x, const int plain)
{
    float u = 4.0f * x;  // volts; also the dry signal of the mix
    float v = one_pole_process(&engine->in_hp[0], &engine->in_hp_state[0], u);
    float w = one_pole_process(&engine->in_hp[1], &engine->in_hp_state[1], v);
    float y;
    int32_t n = engine->oversampling;
    if (n < 2) {
        y = engine_circuit_pass(engine, w, plain);
    } else {
        float* buf = engine->scratch;
        resampler_up(&engine->up, &engine->up_state, w, buf);
        for (int32_t i = 0; i < n; i++)
            buf[i] = engine_circuit_pass(engine, buf[i], plain);
        resampler_down(&engine->down, &engine->down_state, buf, n, &y);
    }
    float o = one_pole_process(&engine->out_hp[0], &engine->out_hp_state[0], y);
    float wet = one_pole_process(&engine->out_hp[1], &engine->out_hp_state[1], o);

    float m = smoother_step(&engine->mix);
    // Loudness compensation 3.5505533 e^(-2.703428 m) + 0.7621998.
    float comp = fast_pow2(m * -2.703428f * 1.442695f) * 3.5505533f + 0.7621998f;
    float g = smoother_step(&engine->volume);
    float e = smoother_step(&engine->bypass);
    return x + e * (g * (((wet - u) * m + u) * comp) - x);
}

void engine_process(Engine* engine, const float* in, float* out, uint32_t n)
{
    for (uint32_t i = 0; i < n; i++)
        out[i] = engine_channel(engine, in[i], 0);
}

void engine_process_plain(Engine* engine, const float* in, float* out, uint32_t n)
{
    for (uint32_t i = 0; i < n; i++)
        out[i] = engine_channel(engine, in[i], 1);
}

float engine_get_parameter(const Engine* engine, int32_t index)
{
    if (index < 0 || index >= ENGINE_PARAM_COUNT)
        return 0.0f;
    return engine->params[index];
}
