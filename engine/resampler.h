// Up- and downsampling by N around the circuit stages, with a 16th-order
// Chebyshev type II low-pass (eight second-order sections).
#pragma once

#include "engine/engine.h"

// Coefficients for ratio +N (upsampler) or -N (downsampler) and the
// normalised stopband edge x (the edge is x * fs / 2 at the host rate fs).
void resampler_design(Resampler* rs, int32_t ratio, float x);

// The stopband edge the engine uses for factor N.
float resampler_edge(int32_t n);

// One pass through the eight sections (transposed direct form II).
static inline float resampler_cascade(const Resampler* rs, ResamplerState* st, float u)
{
    for (int k = 0; k < RESAMPLER_SECTIONS; k++) {
        float y = st->z1[k] + rs->b0[k] * u;
        st->z1[k] = u * rs->b1[k] + rs->na1[k] * y + st->z2[k];
        st->z2[k] = rs->na2[k] * y + rs->b0[k] * u;
        u = y;
    }
    return u;
}

// One input value becomes N values: the value (times N, restoring the level
// lost to the inserted zeros) followed by N - 1 zeros, each filtered.
static inline void resampler_up(const Resampler* rs, ResamplerState* st, float v, float* out)
{
    int32_t n = rs->ratio;
    out[0] = resampler_cascade(rs, st, (float)n * v);
    for (int32_t i = 1; i < n; i++)
        out[i] = resampler_cascade(rs, st, 0.0f);
}

// Filters count values and writes out one value each time the phase counter
// is at zero, so the first of every group of N; returns how many it wrote.
static inline int32_t resampler_down(const Resampler* rs, ResamplerState* st, const float* in,
                                     int32_t count, float* out)
{
    int32_t written = 0;
    for (int32_t i = 0; i < count; i++) {
        float y = resampler_cascade(rs, st, in[i]);
        if (st->phase == 0) {
            out[written++] = y;
            st->phase = -rs->ratio;
        }
        st->phase--;
    }
    return written;
}
