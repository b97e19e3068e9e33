// Oversampling: the factor for each host rate and the measured response of
// the Chebyshev cascade.
#include <gtest/gtest.h>

#include <complex>

#include "engine/resampler.h"
#include "engine_test_support.h"

namespace {

// Magnitude of the eight-section cascade at f (Hz), oversampled rate fs_os.
double cascade_gain(const Resampler& rs, double f, double fs_os)
{
    std::complex<double> z1 = std::polar(1.0, -2.0 * test_pi * f / fs_os), z2 = z1 * z1;
    std::complex<double> h = 1.0;
    for (int k = 0; k < RESAMPLER_SECTIONS; k++)
        h *= ((double)rs.b0[k] + (double)rs.b1[k] * z1 + (double)rs.b0[k] * z2) /
             (1.0 - (double)rs.na1[k] * z1 - (double)rs.na2[k] * z2);
    return std::abs(h);
}

double db(double g) { return 20.0 * log10(g); }

}  // namespace

TEST(Resampler, FactorForEachHostRate)
{
    const struct {
        float fs;
        int32_t n;
    } cases[] = {{8000, 16},  {11025, 16}, {22050, 8},  {32000, 6},  {44100, 4},
                 {48000, 4},  {88200, 2},  {96000, 2},  {176400, 1}, {192000, 1}};
    for (const auto& c : cases) {
        Engine e = ready_engine(c.fs);
        EXPECT_EQ(e.oversampling, c.n) << c.fs;
        if (c.n > 1) {
            EXPECT_EQ(e.up.ratio, c.n);
            EXPECT_EQ(e.down.ratio, -c.n);
            EXPECT_EQ(e.up.sections, 8);
        }
    }
    // The stopband edge with the fast reciprocal (an exact division would
    // give 1.230847 at N = 16).
    EXPECT_NEAR(resampler_edge(16), 1.2308335f, 1e-6f);
    EXPECT_NEAR(resampler_edge(4), 1.180326f, 2e-5f);
    EXPECT_NEAR(resampler_edge(2), 1.094019f, 2e-5f);
}

TEST(Resampler, CascadeResponse)
{
    for (int32_t n : {2, 4, 6, 8, 16}) {
        Resampler rs;
        float x = resampler_edge(n);
        resampler_design(&rs, n, x);
        const double fs = 1.0, fs_os = n * fs;  // frequencies relative to the host rate
        EXPECT_NEAR(cascade_gain(rs, 0.0, fs_os), 1.0, 1e-4) << n;
        double worst_pass = 0.0;
        for (double f = 0.0; f <= 0.4 * fs; f += 0.001)
            worst_pass = fmax(worst_pass, fabs(db(cascade_gain(rs, f, fs_os))));
        // About 0.05 dB: the approximate sine and tangent move the poles a little.
        EXPECT_LT(worst_pass, 0.06) << n;
        double best_stop = 1e9;
        for (double f = x * fs / 2.0; f <= fs_os / 2.0; f += 0.0005)
            best_stop = fmin(best_stop, -db(cascade_gain(rs, f, fs_os)));
        EXPECT_GE(best_stop, 96.0) << n;
        // Around the band edge the response has rolled off by about 3 dB.
        EXPECT_LT(db(cascade_gain(rs, 0.48 * fs, fs_os)), -3.0) << n;
    }
}

TEST(Resampler, UnitGainAtDcAndOneOutputPerGroup)
{
    DenormalScope ftz;
    const int32_t n = 4;
    Resampler up, down;
    resampler_design(&up, n, resampler_edge(n));
    resampler_design(&down, -n, resampler_edge(n));
    ResamplerState su = {}, sd = {};
    float buf[ENGINE_MAX_OVERSAMPLING], y = 0.0f;
    for (int i = 0; i < 4000; i++) {
        resampler_up(&up, &su, 1.0f, buf);
        ASSERT_EQ(resampler_down(&down, &sd, buf, n, &y), 1);
    }
    EXPECT_NEAR(y, 1.0f, 1e-4f);

    // The downsampler emits the first value of each group of N.
    ResamplerState s = {};
    float in[7] = {1, 0, 0, 0, 0, 0, 0}, out[7];
    EXPECT_EQ(resampler_down(&down, &s, in, 7, out), 2);
    EXPECT_EQ(out[0], down.b0[0] * down.b0[1] * down.b0[2] * down.b0[3] * down.b0[4] *
                          down.b0[5] * down.b0[6] * down.b0[7]);  // the impulse's first value
    EXPECT_EQ(s.phase, 1);
}
