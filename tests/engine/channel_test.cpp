// The overdrive channel's stated figures: silence, DC, mix, volume, heat,
// the clipping rails, bypass and the glides of the smoothers.
#include <gtest/gtest.h>

#include <math.h>

#include "engine/clip_stage.h"
#include "engine/tone_stage.h"
#include "engine_test_support.h"

namespace {

struct Setting {
    float drive, tone, heat, mix, volume;
};

const Setting settings[] = {
    {50, 50, 50, 100, 100}, {0, 0, 0, 0, 0},      {100, 100, 100, 100, 200},
    {70, 40, 50, 100, 100}, {100, 0, 100, 50, 10}, {0, 100, 0, 30, 0.05f},
};

void apply(Engine* e, const Setting& s)
{
    engine_set_parameter(e, ENGINE_PARAM_DRIVE, s.drive);
    engine_set_parameter(e, ENGINE_PARAM_TONE, s.tone);
    engine_set_parameter(e, ENGINE_PARAM_HEAT, s.heat);
    engine_set_parameter(e, ENGINE_PARAM_MIX, s.mix);
    engine_set_parameter(e, ENGINE_PARAM_VOLUME, s.volume);
}

Engine engine_with(const Setting& s, float fs)
{
    Engine e;
    engine_init(&e);
    apply(&e, s);
    engine_set_sample_rate(&e, fs);
    engine_reset(&e);
    return e;
}

std::vector<float> constant(size_t n, float v) { return std::vector<float>(n, v); }

}  // namespace

TEST(Channel, SilenceInGivesExactSilence)
{
    DenormalScope ftz;
    for (float fs : {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (const Setting& s : settings) {
            Engine e = engine_with(s, fs);
            std::vector<float> out = run(&e, constant(2000, 0.0f));
            for (float v : out)
                ASSERT_EQ(v, 0.0f) << fs << " drive " << s.drive;
        }
    }
}

TEST(Channel, DcBlockedAtFullMixButForTheDryShare)
{
    DenormalScope ftz;
    Engine e = ready_engine(48000.0f);
    std::vector<float> out = run(&e, constant(3 * 48000, 0.5f));
    // The mix target at 100 is a hair below 1: a dry share of about 1e-5
    // keeps its DC.
    EXPECT_LT(fabsf(out.back()), 1e-5f);
    EXPECT_GT(fabsf(out.back()), 0.0f);

    Engine half = engine_with({50, 50, 50, 50, 100}, 48000.0f);
    out = run(&half, constant(3 * 48000, 0.5f));
    EXPECT_GT(out.back(), 0.1f);
}

TEST(Channel, MixZeroAtVolume100IsTheCompensatedDrySignal)
{
    DenormalScope ftz;
    // DC: the wet path blocks it, so the output is the dry signal alone.
    Engine dc = engine_with({80, 30, 20, 0, 100}, 44100.0f);
    std::vector<float> out = run(&dc, constant(2 * 44100, 0.3f));
    EXPECT_NEAR(out.back() / 0.3f, 4.3127531f, 4.3127531f * 5e-5f);

    // Any signal: the mix target at 0 is a hair off 0 (about 1e-5), so a
    // trace of the processed signal remains.
    Engine e = engine_with({80, 30, 20, 0, 100}, 44100.0f);
    std::vector<float> in = noise(20000, 0.3f);
    out = run(&e, in);
    for (size_t i = 10000; i < in.size(); i++) {
        ASSERT_NEAR(out[i], 4.3127531f * in[i], 3e-4f) << i;
    }
}

TEST(Channel, VolumeAndHeatLevelTargets)
{
    const struct {
        float volume, gain, tolerance;
    } volumes[] = {{100, 0.25f, 1e-6f},  {200, 3.96f, 0.01f}, {50, 0.0628f, 0.0003f},
                   {10, 0.0208f, 1e-4f}, {0, 0.0f, 0.0f},     {0.05f, 0.0f, 0.0f}};
    Engine e;
    engine_init(&e);
    for (const auto& v : volumes) {
        engine_set_parameter(&e, ENGINE_PARAM_VOLUME, v.volume);
        EXPECT_NEAR(e.volume.target, v.gain, v.tolerance) << v.volume;
    }
    const struct {
        float heat, level, tolerance;
    } heats[] = {{0, 1.393774f, 0.0f}, {50, 1.0f, 1e-6f}, {100, 0.845f, 0.001f}};
    for (const auto& h : heats) {
        engine_set_parameter(&e, ENGINE_PARAM_HEAT, h.heat);
        EXPECT_NEAR(e.heat_level.target, h.level, h.tolerance) << h.heat;
    }
    // Volume 0 settles to exact silence.
    DenormalScope ftz;
    Engine quiet = engine_with({50, 50, 50, 100, 0}, 48000.0f);
    std::vector<float> out = run(&quiet, noise(1000, 0.5f));
    for (float v : out)
        ASSERT_EQ(v, 0.0f);
}

TEST(Channel, ParameterTargetsAtTheirEnds)
{
    Engine e;
    engine_init(&e);
    engine_set_parameter(&e, ENGINE_PARAM_DRIVE, 0.0f);
    EXPECT_NEAR(e.clip.pot_t, 0.0793f, 0.0005f);
    for (float drive : {97.0f, 100.0f}) {
        engine_set_parameter(&e, ENGINE_PARAM_DRIVE, drive);
        EXPECT_EQ(e.clip.pot_t, 1.0f);
    }
    engine_set_parameter(&e, ENGINE_PARAM_TONE, 0.0f);
    EXPECT_EQ(e.tone.pos_t, 0.001f);
    engine_set_parameter(&e, ENGINE_PARAM_TONE, 100.0f);
    EXPECT_EQ(e.tone.pos_t, 0.999f);
    engine_set_parameter(&e, ENGINE_PARAM_TONE, 50.0f);
    EXPECT_LT(e.tone.pos_t, 0.893214f);
    EXPECT_GT(e.tone.pos_t, 0.8932f);
    // Out-of-range values never leave the taper table.
    for (float tone : {NAN, -NAN, 1e30f, -1e30f, INFINITY, -INFINITY, 100.5f, -3.0f}) {
        engine_set_parameter(&e, ENGINE_PARAM_TONE, tone);
        EXPECT_GE(e.tone.pos_t, 0.001f) << tone;
        EXPECT_LE(e.tone.pos_t, 0.999f) << tone;
    }
    engine_set_parameter(&e, ENGINE_PARAM_MIX, 0.0f);
    EXPECT_NEAR(e.mix.target, 0.0f, 1e-4f);
    engine_set_parameter(&e, ENGINE_PARAM_MIX, 50.0f);
    EXPECT_NEAR(e.mix.target, 0.125f, 1e-4f);
    engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 0.5f);
    EXPECT_EQ(e.bypass.target, 0.0f);
    engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 0.49999997f);
    EXPECT_EQ(e.bypass.target, 1.0f);
}

TEST(ClippingStage, OutputStaysWithinTheRailsAndSitsOnThemForLargeDc)
{
    DenormalScope ftz;
    for (float drive : {0.0f, 50.0f, 100.0f}) {
        ClippingStage cs = {};
        float s[4];
        clip_init(&cs);
        clip_set_drive(&cs, drive);
        clip_set_heat(&cs, 50.0f);
        clip_set_rate(&cs, 192000.0f);
        clip_reset(&cs, s);
        auto step = [&](float x) {
            clip_update_controls(&cs, 0);
            clip_update_coefficients(&cs);
            return clip_process(&cs, s, x);
        };
        std::vector<float> x = noise(20000, 20.0f);
        for (float v : x) {
            float y = step(v);
            ASSERT_LE(y, 3.92f);
            ASSERT_GE(y, -3.12f);
        }
        float y = 0.0f;
        for (int i = 0; i < 20000; i++)
            y = step(4.0f);
        EXPECT_EQ(y, 3.92f) << drive;
        for (int i = 0; i < 20000; i++)
            y = step(-4.0f);
        EXPECT_EQ(y, -3.12f) << drive;
    }
}

TEST(ClippingStage, SmallPotentiometerStepIsTakenAtOnce)
{
    ClippingStage cs = {};
    float s[4];
    clip_init(&cs);
    clip_set_drive(&cs, 50.0f);
    clip_set_heat(&cs, 50.0f);
    clip_set_rate(&cs, 192000.0f);
    clip_reset(&cs, s);
    EXPECT_EQ(clip_update_controls(&cs, 0), 0);
    cs.pot_t += 0.001f;
    EXPECT_EQ(clip_update_controls(&cs, 0), 1);
    EXPECT_EQ(cs.pot_s, cs.pot_t);
    EXPECT_EQ(clip_update_controls(&cs, 0), 0);
    // A larger step glides.
    cs.pot_t += 0.1f;
    clip_update_controls(&cs, 0);
    EXPECT_NE(cs.pot_s, cs.pot_t);
}

TEST(Channel, BypassBecomesBitExactPassThrough)
{
    DenormalScope ftz;
    const float fs = 48000.0f;
    const uint32_t block = 480;  // 10 ms
    Engine e = engine_with({90, 20, 80, 100, 150}, fs);
    run(&e, noise(4800, 0.5f, 7));
    engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 1.0f);
    // The glide's tail reaches exact 0 (flush-to-zero) after about 4.3 s.
    std::vector<float> in = noise(block, 0.5f, 8), out(block);
    uint32_t blocks = 0;
    while (e.bypass.value != 0.0f && blocks < 1000) {
        engine_process(&e, in.data(), out.data(), block);
        blocks++;
    }
    EXPECT_GT(blocks * block / fs, 4.0f);
    EXPECT_LT(blocks * block / fs, 4.6f);
    // From then on every value passes bit for bit, also the tiny ones that
    // even a faint processed share would change.
    std::vector<float> tiny = noise(20000, 0.5f, 9);
    for (size_t i = 0; i < tiny.size(); i += 3)
        tiny[i] *= 1e-30f;
    EXPECT_TRUE(same_bits(run(&e, tiny), tiny));
}

TEST(Channel, VolumeChangeGlidesWithFiftyMillisecondTimeConstant)
{
    DenormalScope ftz;
    const float fs = 48000.0f, x = 0.1f;
    Engine e = engine_with({50, 50, 50, 0, 100}, fs);
    std::vector<float> settled = run(&e, constant(48000, x));
    // Mix 0 is the dry path: the output is the volume gain times a constant.
    float per_gain = settled.back() / 0.25f;
    engine_set_parameter(&e, ENGINE_PARAM_VOLUME, 200.0f);
    float target = e.volume.target;
    std::vector<float> out = run(&e, constant(4800, x));
    float first = out[0] / per_gain;
    EXPECT_LT(first - 0.25f, 0.01f * (target - 0.25f));  // no step
    for (size_t i = 1; i < out.size(); i++)
        ASSERT_GT(out[i], out[i - 1]);
    // After 50 ms about 1/e of the way remains (the fast reciprocal makes
    // the time constant a few percent shorter).
    float remaining = (target - out[2399] / per_gain) / (target - 0.25f);
    EXPECT_NEAR(remaining, expf(-1.0f), 0.03f);
}

TEST(Channel, BypassToggledQuicklyReversesSmoothly)
{
    DenormalScope ftz;
    const float fs = 48000.0f;
    Engine e = engine_with({80, 50, 50, 100, 100}, fs);
    std::vector<float> in = noise(24000, 0.5f);
    std::vector<float> fade;
    for (size_t i = 0; i < in.size(); i++) {
        if (i == 1000)
            engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 1.0f);
        if (i == 1144)  // 3 ms later
            engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 0.0f);
        float y;
        engine_process(&e, &in[i], &y, 1);
        fade.push_back(e.bypass.value);
    }
    for (size_t i = 1; i < fade.size(); i++) {
        ASSERT_LT(fabsf(fade[i] - fade[i - 1]), 1.0f / 1000.0f) << i;
        if (i > 1000 && i < 1144) {
            ASSERT_LT(fade[i], fade[i - 1]);
        }
        if (i > 1144) {
            ASSERT_GE(fade[i], fade[i - 1]);
        }
    }
    EXPECT_NEAR(fade[1143], expf(-3.0f / 50.0f), 0.01f);
    EXPECT_GT(fade.back(), 0.999f);
}
