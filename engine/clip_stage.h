// The clipping stage: a non-inverting op-amp gain stage with anti-parallel
// diodes in its feedback path (R = 51 k + 500 k pot, C2 in parallel), a
// 4.7 k + C1 ground leg and asymmetric rails of +3.92 V and -3.12 V. The
// capacitors are discretised with the trapezoidal rule, prewarped at the
// network's resonance, corrected for capacitances that change per sample.
#pragma once

#include "engine/engine.h"
#include "engine/fast_math.h"
#include "engine/filters.h"

void clip_init(ClippingStage* cs);
void clip_set_rate(ClippingStage* cs, float fs_os);
// Smoothed controls onto their targets, coefficients computed, state cleared.
void clip_reset(ClippingStage* cs, float state[4]);
void clip_set_drive(ClippingStage* cs, float drive);
// Moves both corner frequencies by heat over four octaves.
void clip_set_heat(ClippingStage* cs, float heat);

// Smoothing of the three controls and the values derived from them.
// Returns 1 when anything changed (always when forced).
static inline int clip_update_controls(ClippingStage* cs, int force)
{
    if (!force && cs->pot_s == cs->pot_t && cs->f1_s == cs->f1_t && cs->f2_s == cs->f2_t)
        return 0;
    if (force || cs->pot_s != cs->pot_t) {
        cs->pot_s = stage_smooth(cs->pot_s, cs->pot_t, cs->smoothing.smooth_coeff,
                                 cs->smoothing.snap2);
        cs->r_fb = cs->pot_s * 500000.0f + 51000.0f;
    }
    if (force || cs->f1_s != cs->f1_t) {
        cs->f1_s = stage_smooth(cs->f1_s, cs->f1_t, cs->smoothing.smooth_coeff,
                               cs->smoothing.snap2 * (cs->f1_t * cs->f1_t));
        cs->c1 = fast_rcp(cs->f1_s) * 3.3862754e-05f;  // 1/(2 pi 4700)
    }
    if (force || cs->f2_s != cs->f2_t) {
        cs->f2_s = stage_smooth(cs->f2_s, cs->f2_t, cs->smoothing.smooth_coeff,
                               cs->smoothing.snap2 * (cs->f2_t * cs->f2_t));
        cs->c2 = fast_rcp(cs->f2_s) * 2.8884745e-07f;  // 1/(2 pi 551000)
    }
    // Prewarp at the resonance 1/(2 pi sqrt(4700 C1 R C2)).
    float v = fast_rcp(cs->c1 * cs->r_fb * cs->c2);
    float f0 = fast_sqrt(v) * 0.0023215134f;
    cs->k = stage_prewarp(&cs->rate, f0);
    cs->coeffs_steady = 0;
    return 1;
}

// The per-sample coefficients of the solve.
static inline void clip_update_coefficients(ClippingStage* cs)
{
    cs->coeffs_steady = cs->c1 == cs->c1_prev && cs->c2 == cs->c2_prev;
    float g1 = cs->k * cs->c1 + (cs->c1 - cs->c1_prev) * cs->rate.fs_os;
    float g2 = cs->k * cs->c2 + (cs->c2 - cs->c2_prev) * cs->rate.fs_os;
    cs->c1_prev = cs->c1;
    cs->c2_prev = cs->c2;
    cs->g1 = g1;
    float r1 = fast_rcp(g1 + 0.00021276595f);
    cs->ca = g1 * r1;
    cs->cb = -cs->c1 * r1;
    float r2 = fast_rcp(cs->r_fb * g2 + 1.0f);
    cs->ka = -r2 * cs->r_fb;
    cs->cd = ((cs->ca * g1 - g1) - g2) * cs->ka + r2;
    cs->ce = fast_rcp(cs->ka) * -0.045552f;
    float x1 = cs->ka * -5.532139e-08f;
    cs->cf = fast_ln(x1) + x1;
    cs->cg = fast_omega(cs->cf);
    float r3 = fast_rcp((cs->ca * 0.00021276595f + g2) * cs->r_fb + 1.0f);
    cs->kb = cs->r_fb * r3;
    cs->ch = cs->kb * -0.00021276595f;
    cs->ci = -cs->c2 * cs->kb;
    cs->kd = g2 * cs->kb + r3;
    cs->rail_hi = cs->kd * 3.92f;
    cs->rail_lo = cs->kd * -3.12f;
    cs->cj = fast_rcp(cs->kb) * 0.045552f;
    float x2 = cs->kb * 5.532139e-08f;
    cs->ck = fast_ln(x2) + x2;
    cs->cl = fast_omega(cs->ck);
}

// Solves the network for input x; s holds the trapezoidal states of C2 and C1.
static inline float clip_process(const ClippingStage* cs, float s[4], float x)
{
    float hc2 = cs->k * s[0] + s[2];
    float hc1 = cs->k * s[1] + s[3];
    float e = cs->cb * hc1;
    // The output with the diodes open, then the diode current in the
    // direction of the voltage across them (zero at d = 0, where w = cg).
    float y = cs->cd * x + ((cs->g1 * e + hc1 * cs->c1) - cs->c2 * hc2) * cs->ka;
    float d = y - x;
    float sigma = fast_sign(d);
    float z = d * 21.952932f * sigma + cs->cf;
    float w = fast_omega(z);
    y = cs->ka * cs->ce * sigma * (w - cs->cg) + y;
    // On a rail the inverting input no longer follows x: solve it from the
    // feedback network.
    float n, out;
    if (y > 3.92f) {
        float q = cs->ch * e + cs->ci * hc2;
        float d2 = (q - 3.92f) - cs->rail_hi;
        float sigma2 = fast_sign(d2);
        float z2 = d2 * -21.952932f * sigma2 + cs->ck;
        float w2 = fast_omega(z2);
        n = (w2 - cs->cl) * (cs->cj * sigma2) * cs->kb + q + cs->rail_hi;
        out = 3.92f;
    } else if (y < -3.12f) {
        float q = cs->ch * e + cs->ci * hc2;
        float d2 = (q + 3.12f) - cs->rail_lo;
        float sigma2 = fast_sign(d2);
        float z2 = d2 * -21.952932f * sigma2 + cs->ck;
        float w2 = fast_omega(z2);
        n = (w2 - cs->cl) * (cs->cj * sigma2) * cs->kb + q + cs->rail_lo;
        out = -3.12f;
    } else {
        n = x;
        out = y;
    }
    s[0] = out - n;
    s[1] = n - (cs->ca * n + e);
    s[2] = cs->k * s[0] - hc2;
    s[3] = cs->k * s[1] - hc1;
    return out;
}
