// The tone stage: a passive-active network around a 20 kOhm potentiometer
// (Ra above the wiper, Rb below), two 220 nF capacitors and an output gain of
// 1000/Ra. Trapezoidal capacitors prewarped at a frequency that follows the
// potentiometer, with the same correction for changing capacitance as the
// clipping stage.
#pragma once

#include "engine/engine.h"
#include "engine/fast_math.h"
#include "engine/filters.h"

void tone_init(ToneStage* ts);
void tone_set_rate(ToneStage* ts, float fs_os);
void tone_reset(ToneStage* ts, float state[4]);
// Potentiometer target from the taper table.
void tone_set_tone(ToneStage* ts, float tone);

// Returns 1 when anything changed (always when forced).
static inline int tone_update_controls(ToneStage* ts, int force)
{
    if (!force && ts->pos_s == ts->pos_t && ts->cscale_s == ts->cscale_t)
        return 0;
    if (force || ts->pos_s != ts->pos_t) {
        ts->pos_s = stage_smooth(ts->pos_s, ts->pos_t, ts->smoothing.smooth_coeff,
                                 ts->smoothing.snap2);
        float rb = ts->pos_s * 20000.0f;
        float ra = 20000.0f - rb;
        ts->gb = fast_rcp(rb);
        ts->gab = ts->gb + fast_rcp(ra);
        ts->ha = fast_rcp(ra) * -1000.0f;
        ts->ha1 = 1.0f - ts->ha;
        ts->g3 = ts->gb * 1.0f + 0.0011f;
        // Prewarp frequency along the potentiometer: two cubics and an
        // exponential tail, joined continuously (377 Hz to about 5070 Hz).
        float e = ts->pos_s;
        if (e <= 0.75f) {
            ts->tau = (((2204.8f * e - 3200.0f) * e + 2019.8f) * e + 377.0f) * 2.2e-07f;
        } else if (e <= 0.9f) {
            ts->tau = (((54666.668f * e - 124600.0f) * e + 95873.336f) * e - 23858.0f) * 2.2e-07f;
        } else {
            float u = 61.537872f * e - 49.595997f;
            ts->tau = (fast_pow2(u) + 1298.7429f) * 2.2e-07f;
        }
    }
    if (force || ts->cscale_s != ts->cscale_t) {
        ts->cscale_s = stage_smooth(ts->cscale_s, ts->cscale_t, ts->smoothing.smooth_coeff,
                                   ts->smoothing.snap2 * (ts->cscale_t * ts->cscale_t));
        ts->cap = fast_rcp(ts->cscale_s) * 2.2e-07f;
    }
    // Equal to the frequency above while the capacitor scale is 1.
    ts->k = stage_prewarp(&ts->rate, fast_rcp(ts->cap) * ts->tau);
    ts->coeffs_steady = 0;
    return 1;
}

// The per-sample coefficients (the first half of the stage's work per sample).
static inline void tone_update_coefficients(ToneStage* ts)
{
    float cn = ts->cap;
    ts->coeffs_steady = cn == ts->cap_prev;
    float g = ts->k * cn + (cn - ts->cap_prev) * ts->rate.fs_os;
    ts->cap_prev = cn;
    float r1 = fast_rcp(g + ts->gab);
    ts->m1 = ts->gab * r1;
    ts->m2 = g * r1;
    ts->m3 = r1 * cn;
    float r2 = fast_rcp((g - ts->m2 * g) + 0.0045454544f);
    ts->m4 = g * r2;
    ts->m5 = ts->m1 * ts->m4;
    ts->m6 = -cn * r2;
    float r3 = fast_rcp((g - (ts->m5 * ts->m2 + ts->m1) * ts->gb) + ts->g3);
    ts->m7 = r3 * 0.001f;
    ts->m8 = r3 * cn;
    ts->m9 = r3 * ts->gb;
}

// Solves the network for input x with the current coefficients.
static inline float tone_solve(const ToneStage* ts, float t[4], float x)
{
    float a0 = ts->k * t[0] + t[2];
    float b0 = ts->k * t[1] + t[3];
    float p = ts->m3 * b0;
    float q = ts->m4 * p + ts->m6 * b0;
    float v = ts->m7 * x + ts->m8 * a0 + (ts->m2 * q + p) * ts->m9;
    float q2 = ts->m5 * v + q;
    float w = ts->m1 * v + ts->m2 * q2 + p;
    float d = w - q2;
    float out = ts->ha1 * v + w * ts->ha;
    t[0] = v;
    t[1] = d;
    t[2] = ts->k * v - a0;
    t[3] = ts->k * d - b0;
    return out;
}

static inline float tone_process(ToneStage* ts, float t[4], float x)
{
    tone_update_coefficients(ts);
    return tone_solve(ts, t, x);
}
