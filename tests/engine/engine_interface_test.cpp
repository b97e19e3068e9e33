// The engine's calling contract: defaults, ignored indices, empty blocks,
// in-place processing, block sizes, the fast loop against the plain reading
// and the same bits on every build.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <vector>

#include "engine/engine.h"
#include "engine_test_support.h"

namespace {

std::vector<float> test_signal(size_t n)
{
    std::vector<float> x(n);
    uint32_t seed = 12345;
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = (float)((int32_t)seed) * (0.5f / 2147483648.0f);
    }
    return x;
}

}  // namespace

TEST(EngineInterface, DefaultsAfterInit)
{
    Engine e;
    engine_init(&e);
    const float expected[ENGINE_PARAM_COUNT] = {50, 50, 50, 100, 100, 0};
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        EXPECT_EQ(engine_get_parameter(&e, i), expected[i]) << i;
        EXPECT_EQ(engine_params[i].default_value, expected[i]) << i;
    }
    EXPECT_EQ(engine_params[ENGINE_PARAM_VOLUME].maximum, 200.0f);
    EXPECT_STREQ(engine_params[ENGINE_PARAM_BYPASS].key, "bypass");
}

TEST(EngineInterface, IndexOutsideTableChangesNothing)
{
    Engine e = ready_engine(48000.0f);
    Engine before = e;
    engine_set_parameter(&e, 6, 10.0f);
    engine_set_parameter(&e, -1, 10.0f);
    EXPECT_EQ(memcmp(&before, &e, sizeof e), 0);
}

TEST(EngineInterface, EmptyBlockWritesAndChangesNothing)
{
    Engine e = ready_engine(48000.0f);
    Engine before = e;
    float in = 0.5f, out = 7.0f;
    engine_process(&e, &in, &out, 0);
    EXPECT_EQ(out, 7.0f);
    EXPECT_EQ(memcmp(&before, &e, sizeof e), 0);
}

TEST(EngineInterface, InPlaceEqualsSeparateBuffers)
{
    DenormalScope ftz;
    std::vector<float> x = test_signal(3000);
    Engine a = ready_engine(44100.0f), b = ready_engine(44100.0f);
    engine_set_parameter(&a, ENGINE_PARAM_DRIVE, 80.0f);
    engine_set_parameter(&b, ENGINE_PARAM_DRIVE, 80.0f);
    std::vector<float> separate(x.size()), in_place = x;
    engine_process(&a, x.data(), separate.data(), (uint32_t)x.size());
    engine_process(&b, in_place.data(), in_place.data(), (uint32_t)x.size());
    EXPECT_EQ(memcmp(separate.data(), in_place.data(), x.size() * sizeof(float)), 0);
}

namespace {

// A fixed render: noise through several settings and rates, with drive,
// tone and heat automated every 64 samples, hashed over its output bytes.
typedef void (*ProcessFn)(Engine*, const float*, float*, uint32_t);

size_t triangle(size_t b, size_t half_period)
{
    size_t r = b % (2 * half_period);
    return r < half_period ? r : 2 * half_period - r;
}

std::vector<float> automated_render(float fs, ProcessFn process, uint32_t block = 64)
{
    Engine e = ready_engine(fs);
    std::vector<float> in = test_signal(6000), out(in.size());
    for (size_t i = 0; i < in.size(); i++)
        in[i] *= 2.0f;  // drives the clipping stage onto its rails
    for (size_t pos = 0, b = 0; pos < in.size(); pos += block, b++) {
        // Triangle sweeps from integer arithmetic only: no library maths,
        // whose last bits may differ between builds.
        // A pause from block 75 lets every glide settle.
        if (b < 75 || b >= 85) {
            float drive = (float)triangle(b, 24) * (100.0f / 24.0f);
            float tone = (float)triangle(b + 9, 34) * (100.0f / 34.0f);
            engine_set_parameter(&e, ENGINE_PARAM_DRIVE, drive);
            engine_set_parameter(&e, ENGINE_PARAM_TONE, tone);
        }
        if (b % 16 == 0)
            engine_set_parameter(&e, ENGINE_PARAM_HEAT, (float)(b * 7 % 101));
        if (b == 40)
            engine_set_parameter(&e, ENGINE_PARAM_MIX, 60.0f);
        if (b == 60)
            engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 1.0f);
        if (b == 70)
            engine_set_parameter(&e, ENGINE_PARAM_BYPASS, 0.0f);
        uint32_t count = (uint32_t)std::min<size_t>(block, in.size() - pos);
        process(&e, in.data() + pos, out.data() + pos, count);
    }
    return out;
}

const float render_rates[] = {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};

}  // namespace

TEST(EngineInterface, FastLoopMatchesPlainReadingBitForBit)
{
    DenormalScope ftz;
    for (float fs : render_rates)
        EXPECT_TRUE(same_bits(automated_render(fs, engine_process),
                              automated_render(fs, engine_process_plain)))
            << fs;
}

TEST(EngineInterface, BlockSizeDoesNotChangeTheOutput)
{
    DenormalScope ftz;
    std::vector<float> x = test_signal(3 * 4096);
    Engine a = ready_engine(48000.0f), b = ready_engine(48000.0f);
    std::vector<float> ya(x.size()), yb(x.size());
    for (size_t i = 0; i < x.size(); i++)
        engine_process(&a, &x[i], &ya[i], 1);
    for (size_t i = 0; i < x.size(); i += 4096)
        engine_process(&b, &x[i], &yb[i], 4096);
    EXPECT_TRUE(same_bits(ya, yb));
}

TEST(EngineInterface, ResetStartsEveryGlideAtItsTarget)
{
    Engine e;
    engine_init(&e);
    engine_set_parameter(&e, ENGINE_PARAM_DRIVE, 90.0f);
    engine_set_sample_rate(&e, 48000.0f);
    engine_reset(&e);
    EXPECT_EQ(e.volume.value, 0.25f);
    EXPECT_EQ(e.clip.pot_s, e.clip.pot_t);
    EXPECT_EQ(e.tone.pos_s, e.tone.pos_t);
    EXPECT_EQ(e.bypass.value, 1.0f);
}

// Produced by running this render natively (x86-64 Linux, gcc -O2); the
// Windows build must reproduce it under Wine bit for bit.
TEST(EngineInterface, RenderHashIsTheSameOnEveryBuild)
{
    DenormalScope ftz;
    uint64_t h = fnv1a("", 0);
    for (float fs : render_rates) {
        std::vector<float> y = automated_render(fs, engine_process);
        h = fnv1a(y.data(), y.size() * sizeof(float), h);
    }
    EXPECT_EQ(h, 0xb422de18243ca910ull) << std::hex << h;
}

TEST(DenormalGuard, RestoresTheCallersFlags)
{
    uint32_t original = _mm_getcsr();
    for (uint32_t flags : {0u, (uint32_t)DENORMAL_GUARD_FTZ, (uint32_t)DENORMAL_GUARD_DAZ,
                           (uint32_t)DENORMAL_GUARD_BITS}) {
        _mm_setcsr((original & ~(uint32_t)DENORMAL_GUARD_BITS) | flags);
        uint32_t saved = denormal_guard_enter();
        EXPECT_EQ(_mm_getcsr() & DENORMAL_GUARD_BITS, (uint32_t)DENORMAL_GUARD_BITS);
        denormal_guard_leave(saved);
        EXPECT_EQ(_mm_getcsr() & DENORMAL_GUARD_BITS, flags);
    }
    _mm_setcsr(original);
}
