// The fast primitives: their stated figures, their error against the
// standard functions over dense grids, and the bit patterns behind both.
#include <gtest/gtest.h>

#include <math.h>

#include "engine/fast_math.h"
#include "engine_test_support.h"

namespace {

// Wright omega in double: Halley iteration on w + ln w = x.
double omega_ref(double x)
{
    double w = x > 1.0 ? x - log(x) : exp(x);
    for (int i = 0; i < 100; i++) {
        double f = w + log(w) - x;
        double step = f / (1.0 + 1.0 / w);
        w -= step;
        if (w <= 0)
            w = 1e-300;
        if (fabs(step) <= 1e-15 * w)
            break;
    }
    return w;
}

}  // namespace

TEST(FastMath, StatedFigures)
{
    EXPECT_NEAR(fast_rcp(4.0f), 0.25f, 0.25f * 1e-4f);
    EXPECT_NEAR(fast_rcp(-2.0f), -0.5f, 1e-4f);
    EXPECT_EQ(fast_pow2(0.0f), 1.0f);
    EXPECT_NEAR(fast_pow2(-0.0f), 1.0f, 7e-4f);
    EXPECT_EQ(fast_pow2(-127.0f), 0.0f);
    EXPECT_NEAR(fast_sin2pi(0.25f), 1.0f, 1e-6f);
    EXPECT_EQ(fast_sin2pi(0.0f), 0.0f);
    EXPECT_NEAR(fast_sin2pi(0.75f), -1.0f, 1e-6f);
    EXPECT_NEAR(fast_omega(-10.0f), expf(-10.0f), 0.04f * expf(-10.0f));
    EXPECT_NEAR(fast_omega(1.0f), 1.0f, 0.01f);
    EXPECT_EQ(fast_omega(2e9f), 2e9f);
    EXPECT_TRUE(isnan(fast_omega(NAN)));
    EXPECT_NEAR(fast_sqrt(4.0f), 2.0f, 1e-4f);
    EXPECT_NEAR(fast_sqrt(ldexpf(1.0f, 70)), ldexpf(1.0f, 35), ldexpf(1.0f, 35) * 1e-4f);
    EXPECT_NEAR(fast_sqrt(ldexpf(1.0f, -70)), ldexpf(1.0f, -35), ldexpf(1.0f, -35) * 1e-4f);
    // Half a turn gives s = +0, which takes the minus sign.
    EXPECT_EQ(fast_bits(fast_sin2pi(0.5f)), 0x80000000u);
    EXPECT_EQ(fast_sign(0.0f), 0.0f);
    EXPECT_EQ(fast_sign(-0.0f), 0.0f);
    EXPECT_EQ(fast_sign(-3.0f), -1.0f);
}

TEST(FastMath, TruncationAndSignRules)
{
    // Negative values reduce into [0, 1) turns: sin(2 pi (-0.25)) = -1.
    EXPECT_NEAR(fast_sin2pi(-0.25f), -1.0f, 1e-6f);
    EXPECT_EQ(fast_sin2pi(3.25f), fast_sin2pi(0.25f));
    EXPECT_EQ(fast_sin2pi(-1.75f), fast_sin2pi(0.25f));
    EXPECT_EQ(fast_trunc(-2.5f), -2.0f);
    EXPECT_EQ(fast_trunc(12345678.0f), 12345678.0f);
    EXPECT_EQ(fast_bits(fast_trunc(-0.5f)), 0x80000000u);
    // Negative integers take the extra minus one and still land exactly.
    EXPECT_NEAR(fast_pow2(-1.0f), 0.5f, 0.5f * 7e-4f);
    EXPECT_NEAR(fast_pow2(-3.0f), 0.125f, 0.125f * 7e-4f);
    EXPECT_EQ(fast_pow2(3.0f), 8.0f);
}

TEST(FastMath, ErrorBoundsOverDenseGrids)
{
    double rcp_err = 0, pow2_err = 0, log2_err = 0, sin_err = 0, cos_err = 0, sqrt_err = 0,
           tan_err = 0, omega_err = 0;
    for (int i = 0; i <= 200000; i++) {
        // Magnitudes from 2^-60 to 2^60 for the reciprocal and the root.
        float x = (float)ldexp(1.0 + (i % 1000) / 1000.0, i / 1000 * 120 / 200 - 60);
        rcp_err = fmax(rcp_err, fabs(fast_rcp(x) * (double)x - 1.0));
        rcp_err = fmax(rcp_err, fabs(fast_rcp(-x) * (double)x + 1.0));
        sqrt_err = fmax(sqrt_err, fabs(fast_sqrt(x) / sqrt((double)x) - 1.0));
        log2_err = fmax(log2_err, fabs(fast_log2(x) - log2((double)x)));

        float e = -125.9f + 252.0f * (float)i / 200000.0f;
        pow2_err = fmax(pow2_err, fabs(fast_pow2(e) / exp2((double)e) - 1.0));

        float p = -3.0f + 6.0f * (float)i / 200000.0f;
        sin_err = fmax(sin_err, fabs(fast_sin2pi(p) - sin(2.0 * test_pi * (double)p)));
        cos_err = fmax(cos_err, fabs(fast_cos2pi(p) - cos(2.0 * test_pi * (double)p)));

        // The prewarp range of the engine's designs: up to 0.2495 turns.
        float q = 0.2495f * (float)i / 200000.0f;
        if (q > 0.0f)
            tan_err = fmax(tan_err, fabs(fast_tan_turns(q) / tan(2.0 * test_pi * (double)q) - 1.0));

        float w = -20.0f + 60.0f * (float)i / 200000.0f;
        omega_err = fmax(omega_err, fabs(fast_omega(w) / omega_ref(w) - 1.0));
    }
    for (float x = 40.0f; x < 1e9f; x *= 1.01f)
        omega_err = fmax(omega_err, fabs(fast_omega(x) / omega_ref(x) - 1.0));
    EXPECT_LT(rcp_err, 2e-5);
    EXPECT_LT(sqrt_err, 1e-5);
    EXPECT_LT(pow2_err, 7e-4);
    EXPECT_LT(log2_err, 0.006);
    EXPECT_LT(sin_err, 0.0115);
    EXPECT_LT(cos_err, 0.0115);
    EXPECT_LT(tan_err, 0.02);
    EXPECT_LT(omega_err, 0.04);
}

// Produced by running this grid natively (x86-64 Linux, gcc -O2); the
// Windows build must reproduce it under Wine bit for bit.
TEST(FastMath, BitPatternsAreTheSameOnEveryBuild)
{
    uint64_t h = fnv1a("", 0);
    for (int i = 0; i < 20000; i++) {
        float t = (float)i / 20000.0f;
        float x = (float)ldexp(1.0 + (i % 997) / 997.0, i % 200 - 100);
        float v[] = {fast_rcp(x),         fast_rcp(-x),          fast_pow2(300.0f * t - 150.0f),
                     fast_log2(x),        fast_ln(x),            fast_sin2pi(8.0f * t - 4.0f),
                     fast_cos2pi(8.0f * t - 4.0f), fast_tan_turns(0.2499f * t), fast_sqrt(x),
                     fast_omega(80.0f * t - 40.0f), fast_omega(x)};
        h = fnv1a(v, sizeof v, h);
    }
    EXPECT_EQ(h, 0x7d67170afddbfdc1ull) << std::hex << h;
}
