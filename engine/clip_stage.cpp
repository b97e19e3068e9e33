#include "engine/clip_stage.h"

void clip_init(ClippingStage* cs)
{
    stage_smoothing_init(&cs->smoothing);
}

void clip_set_rate(ClippingStage* cs, float fs_os)
{
    stage_set_rate(&cs->smoothing, &cs->rate, fs_os);
    cs->coeffs_steady = 0;
}

void clip_reset(ClippingStage* cs, float state[4])
{
    cs->pot_s = cs->pot_t;
    cs->f1_s = cs->f1_t;
    cs->f2_s = cs->f2_t;
    clip_update_controls(cs, 1);
    cs->c1_prev = cs->c1;
    cs->c2_prev = cs->c2;
    clip_update_coefficients(cs);
    for (int i = 0; i < 4; i++)
        state[i] = 0.0f;
}

void clip_set_drive(ClippingStage* cs, float drive)
{
    float p = fast_pow2(0.03318557f * drive - 3.166179f) - 0.03214286f;
    // Written so that a NaN ends up at 0 as well.
    cs->pot_t = p > 1.0f ? 1.0f : (p > 0.0f ? p : 0.0f);
}

void clip_set_heat(ClippingStage* cs, float heat)
{
    float h = fast_pow2(1.9931569f - 0.039863136f * heat);
    cs->f1_t = 720.48413f * h;
    cs->f2_t = 5663.6753f * h;
}
