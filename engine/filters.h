// The small building blocks of the channel: the one-pole coupling high-pass,
// the one-pole parameter smoother and the parts both circuit stages share.
#pragma once

#include "engine/engine.h"
#include "engine/fast_math.h"

// Bilinear first-order high-pass prewarped at fc, for host rate fs.
void one_pole_design(OnePoleHighPass* f, float fc, float fs);

static inline float one_pole_process(const OnePoleHighPass* f, float* s, float u)
{
    float y = f->b0 * u + *s;
    *s = f->b1 * u - f->a1 * y;
    return y;
}

static inline void smoother_set_rate(Smoother* sm, float rate)
{
    sm->fs_2pi = rate * 0.15915494f;
}

// The pole 1/(1 + 2*pi*cutoff/rate), then no glide from the current target.
static inline void smoother_reset(Smoother* sm)
{
    sm->smooth_coeff = sm->fs_2pi * fast_rcp(sm->smooth_cutoff + sm->fs_2pi);
    sm->value = sm->target;
}

static inline float smoother_step(Smoother* sm)
{
    sm->value = sm->target + (sm->value - sm->target) * sm->smooth_coeff;
    return sm->value;
}

static inline void stage_smoothing_init(StageSmoothing* sm)
{
    sm->smooth_cutoff = 31.830975f;  // 5 ms
    sm->snap = 0.001f;
}

void stage_set_rate(StageSmoothing* sm, StageRate* rate, float fs_os);

// One smoothing step of a control; it snaps onto the target when its squared
// distance is at most snap2 (the caller scales snap2 for a relative snap).
static inline float stage_smooth(float s, float t, float coeff, float snap2)
{
    s = t + (s - t) * coeff;
    float d = s - t;
    return d * d <= snap2 ? t : s;
}

// Bilinear constant prewarped at f (limited to f_max): 2 pi f / tan(pi f / fs_os).
static inline float stage_prewarp(const StageRate* rate, float f)
{
    f = fast_min(f, rate->f_max);
    float w = f * 3.1415927f;
    float p = rate->t_os * w * 0.15915494f;
    return 2.0f * w * fast_rcp(fast_tan_turns(p));
}
