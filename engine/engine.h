// The effect engine: one mono overdrive channel driven through five
// operations. The record holds no pointers and owns no heap memory, so a
// binding embeds it by value and may copy or clear it as bytes.
#pragma once

#include <stdint.h>

enum {
    ENGINE_PARAM_DRIVE = 0,
    ENGINE_PARAM_TONE = 1,
    ENGINE_PARAM_HEAT = 2,
    ENGINE_PARAM_MIX = 3,
    ENGINE_PARAM_VOLUME = 4,
    ENGINE_PARAM_BYPASS = 5,
    ENGINE_PARAM_COUNT = 6
};

// One row of the parameter table. The index order is the order of the LV2
// control ports, of the VST3 parameter list and of the page's indices.
typedef struct EngineParamInfo {
    const char* key;   // state key, e.g. "drive"
    const char* name;  // display name, e.g. "Drive"
    const char* unit;  // "%" or ""
    float minimum;
    float maximum;
    float default_value;
    int32_t step_count;  // 0 continuous, 1 toggle
} EngineParamInfo;

extern const EngineParamInfo engine_params[ENGINE_PARAM_COUNT];

enum {
    ENGINE_MAX_OVERSAMPLING = 16,
    RESAMPLER_SECTIONS = 8
};

// First-order high-pass coefficients; its state is one float.
typedef struct OnePoleHighPass {
    float b0, b1, a1;
} OnePoleHighPass;

// One-pole glide towards a target.
typedef struct Smoother {
    float fs_2pi;  // the rate it runs at, divided by 2*pi
    float smooth_coeff;
    float smooth_cutoff;  // Hz
    float value;
    float target;
} Smoother;

// Chebyshev type II low-pass as eight second-order sections; ratio is +N for
// the upsampler and -N for the downsampler.
typedef struct Resampler {
    int32_t ratio;
    int32_t sections;
    float b0[RESAMPLER_SECTIONS];
    float b1[RESAMPLER_SECTIONS];
    float na1[RESAMPLER_SECTIONS];
    float na2[RESAMPLER_SECTIONS];
} Resampler;

typedef struct ResamplerState {
    float z1[RESAMPLER_SECTIONS];
    float z2[RESAMPLER_SECTIONS];
    int32_t phase;
} ResamplerState;

// Smoothing settings shared by both circuit stages: their three (clipping)
// or two (tone) control inputs glide with a one-pole at the oversampled rate
// and snap to the target when within `snap`.
typedef struct StageSmoothing {
    float fs_2pi;  // fs_os / (2 pi)
    float smooth_coeff;
    float snap2;  // snap squared
    float smooth_cutoff;  // Hz
    float snap;
} StageSmoothing;

// The oversampled rate as the circuit stages use it.
typedef struct StageRate {
    float fs_os;
    float t_os;   // 1/fs_os, exact
    float f_max;  // highest prewarp frequency, 0.499 fs_os
} StageRate;

// Op-amp gain stage with anti-parallel diodes in its feedback path.
typedef struct ClippingStage {
    StageSmoothing smoothing;
    float pot_s, f1_s, f2_s;  // smoothed controls
    StageRate rate;
    float r_fb, c1, c2, k;
    float g1, ca, cb, ka, cd, ce, cf, cg, kb, ch, ci, kd, rail_hi, rail_lo, cj, ck, cl;
    float c1_prev, c2_prev;
    float pot_t, f1_t, f2_t;  // targets
    // Set when the per-sample coefficients were last computed from unchanged
    // capacitances and no control has moved since: computing them again
    // would give the same bits, so the fast block loop may skip it.
    int32_t coeffs_steady;
} ClippingStage;

// Tone network around a 20 kOhm potentiometer.
typedef struct ToneStage {
    StageSmoothing smoothing;
    float pos_s, cscale_s;  // smoothed controls
    StageRate rate;
    float gb, gab, ha, ha1, g3, tau, cap, k;
    float m1, m2, m3, m4, m5, m6, m7, m8, m9;
    float cap_prev;
    float pos_t, cscale_t;  // targets
    int32_t coeffs_steady;  // as in ClippingStage
} ToneStage;

typedef struct Engine {
    // Coefficients, written by engine_set_sample_rate (and the targets by
    // engine_set_parameter).
    OnePoleHighPass in_hp[2];
    Resampler up;
    ClippingStage clip;
    Smoother heat_level;
    ToneStage tone;
    Resampler down;
    OnePoleHighPass out_hp[2];
    Smoother mix, volume, bypass;
    int32_t oversampling;  // N, 1 to 16
    // Running state, cleared by engine_reset.
    float in_hp_state[2];
    ResamplerState up_state;
    float clip_state[4];
    float tone_state[4];
    ResamplerState down_state;
    float out_hp_state[2];
    // One host sample's worth of oversampled signal.
    float scratch[ENGINE_MAX_OVERSAMPLING];
    // The six values last given to engine_set_parameter, in index order.
    float params[ENGINE_PARAM_COUNT];
} Engine;

void engine_init(Engine* engine);
void engine_set_sample_rate(Engine* engine, float fs);
void engine_reset(Engine* engine);
void engine_set_parameter(Engine* engine, int32_t index, float value);
void engine_process(Engine* engine, const float* in, float* out, uint32_t n);

// The same samples as engine_process, computed step by step without any
// shortcut: every coefficient update runs every sample. Kept as the
// reference the fast loop is checked against.
void engine_process_plain(Engine* engine, const float* in, float* out, uint32_t n);

// The value last given to engine_set_parameter for index (0 for an index
// outside the table).
float engine_get_parameter(const Engine* engine, int32_t index);
