// The small building blocks of the channel: the one-pole coupling high-pass
// and the one-pole parameter smoother.
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
