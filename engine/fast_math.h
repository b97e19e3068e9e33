// Fast single-precision approximations used by the whole signal path.
// Filter coefficients and the diode solution are computed with these exact
// functions, so every constant and the order of every operation is part of
// the sound: keep them as they are, and never let the compiler contract or
// reassociate (the build uses -ffp-contract=off -fno-fast-math).
#pragma once

#include <stdint.h>
#include <string.h>
#include <xmmintrin.h>

static inline uint32_t fast_bits(float x)
{
    uint32_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

static inline float fast_from_bits(uint32_t b)
{
    float x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// Truncation toward zero with the SSE conversion: out-of-range values and NaN
// give INT32_MIN instead of undefined behaviour.
static inline int32_t fast_trunc_int(float x)
{
    return _mm_cvttss_si32(_mm_set_ss(x));
}

static inline float fast_abs(float x)
{
    return fast_from_bits(fast_bits(x) & 0x7fffffffu);
}

static inline float fast_min(float a, float b)
{
    return b < a ? b : a;
}

// 1 for positive values, -1 for negative ones, 0 for both zeros (and NaN).
static inline float fast_sign(float x)
{
    return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f);
}

// Approximate 1/x: a bit-pattern seed refined by two Newton steps. The seed
// works on the magnitude bits, so the sign of x is kept.
static inline float fast_rcp(float x)
{
    float r = fast_from_bits(0x7ef0e840u - fast_bits(x));
    r = 2.0f * r - x * r * r;
    r = 2.0f * r - x * r * r;
    return r;
}

// Approximate 2^x (relative error below 0.07 %); 0 below -126.
static inline float fast_pow2(float x)
{
    if (x < -126.0f)
        return 0.0f;
    int32_t i = fast_trunc_int(x);
    if (fast_bits(x) & 0x80000000u)
        i -= 1;  // also for -0.0 and negative integers: f becomes 1 then
    float f = x - (float)i;
    float e = fast_from_bits(((uint32_t)i << 23) + 0x3f800000u);
    return ((0.07944154f * f + 0.22741129f) * f + 0.6931472f) * (f * e) + e;
}

static inline float fast_exp(float x)
{
    return fast_pow2(1.442695f * x);
}

// Approximate log2 of a positive x (absolute error below 0.006).
static inline float fast_log2(float x)
{
    uint32_t b = fast_bits(x);
    float m = fast_from_bits((b & 0x007fffffu) | 0x3f800000u);
    float k = (float)(int32_t)(b >> 23);
    return ((0.16404256f * m - 1.0988653f) * m + 3.148298f) * m + (k - 129.21347f);
}

static inline float fast_ln(float x)
{
    return 0.6931472f * fast_log2(x);
}

// p truncated toward zero, exactly, by clearing the fraction bits.
static inline float fast_trunc(float p)
{
    uint32_t b = fast_bits(p);
    int32_t exponent = (int32_t)((b >> 23) & 0xffu) - 127;
    if (exponent < 0)
        return fast_from_bits(b & 0x80000000u);
    if (exponent >= 23)
        return p;
    return fast_from_bits(b & ~(0x007fffffu >> exponent));
}

// Approximate sin(2*pi*p) for p in turns (absolute error about 0.011).
static inline float fast_sin2pi(float p)
{
    float f = p - fast_trunc(p);
    if (f < 0.0f)
        f = f + 1.0f;
    float s = 2.0f * f - 1.0f;
    float a = fast_abs(2.0f * fast_abs(s) - 1.0f) * -1.5707964f + 1.5707964f;
    float q = (-0.11073982f * a - 0.05738534f) * a * a + a;
    return s < 0.0f ? q : -q;
}

static inline float fast_cos2pi(float p)
{
    return fast_sin2pi(p + 0.25f);
}

// Approximate tan(2*pi*p) for 0 <= p < 0.25: the prewarp of every bilinear
// design in the engine.
static inline float fast_tan_turns(float p)
{
    return fast_sin2pi(p) * fast_rcp(fast_cos2pi(p));
}

// Approximate square root for x >= 1.1754944e-38. Very small and very large
// x are scaled by 2^64 first so that the reciprocal seed stays in range.
static inline float fast_sqrt(float x)
{
    uint32_t b = fast_bits(x);
    uint32_t top = b & 0x60000000u;
    int adjust = 0;
    if (top == 0) {
        b += 0x20000000u;
        adjust = 1;
    } else if (top == 0x60000000u) {
        b -= 0x20000000u;
        adjust = -1;
    }
    float h = 0.5f * fast_rcp(fast_from_bits(b));
    float y = fast_abs(fast_from_bits(((b + 0xc07d5ed9u) >> 1) + 0x3f7d8fc7u));
    y = (0.5f - h * y * y) * y + y;
    y = (0.5f - h * y * y) * y + y;
    if (adjust > 0)
        return fast_from_bits(fast_bits(y) - 0x10000000u);
    if (adjust < 0)
        return fast_from_bits(fast_bits(y) + 0x10000000u);
    return y;
}

// Approximate Wright omega function: the w with w + ln w = x (relative error
// below 4 %, largest near x = -3.2).
static inline float fast_omega(float x)
{
    if (!(x < 1e9f))
        return x;  // also NaN
    float y;
    if (x < -3.3414595f)
        y = 0.0f;
    else if (x < 8.0f)
        y = ((-0.0013142931f * x + 0.047759313f) * x + 0.36319527f) * x + 0.63131833f;
    else
        y = x - fast_ln(x);
    float t = fast_pow2((x - y) * 1.442695f);
    return y - (y - t) * fast_rcp(y + 1.0f);
}
