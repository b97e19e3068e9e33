#include "engine/tone_stage.h"

// Potentiometer position for tone = 0, 5, ..., 100, plus one more point so
// that the interpolation may read one past the last.
static const float tone_taper[22] = {
    0.0f,      0.0742931f, 0.116187f, 0.14277f,  0.180259f, 0.239614f, 0.369825f, 0.595395f,
    0.757983f, 0.844386f,  0.893214f, 0.919288f, 0.944411f, 0.953084f, 0.957435f, 0.962373f,
    0.967974f, 0.974329f,  0.981539f, 0.989719f, 1.0f,      1.0f,
};

void tone_init(ToneStage* ts)
{
    stage_smoothing_init(&ts->smoothing);
    ts->cscale_t = 1.0f;
}

void tone_set_rate(ToneStage* ts, float fs_os)
{
    stage_set_rate(&ts->smoothing, &ts->rate, fs_os);
    ts->coeffs_steady = 0;
}

void tone_reset(ToneStage* ts, float state[4])
{
    ts->pos_s = ts->pos_t;
    ts->cscale_s = ts->cscale_t;
    tone_update_controls(ts, 1);
    ts->cap_prev = ts->cap;
    tone_update_coefficients(ts);
    for (int i = 0; i < 4; i++)
        state[i] = 0.0f;
}

void tone_set_tone(ToneStage* ts, float tone)
{
    // The factor just under 0.2 keeps the index at 19 for tone = 100. Values
    // outside 0..100 (and NaN) are held to the table's ends so that the
    // lookup never leaves it; in range this changes nothing.
    float x = tone * 0.19999999f;
    if (!(x >= 0.0f))
        x = 0.0f;
    if (x > 20.0f)
        x = 20.0f;
    int32_t i = fast_trunc_int(x);
    float frac = x - (float)i;
    float pos = tone_taper[i] + (tone_taper[i + 1] - tone_taper[i]) * frac;
    ts->pos_t = pos < 0.001f ? 0.001f : (pos > 0.999f ? 0.999f : pos);
}
