// The engine's calling contract: defaults, ignored indices, empty blocks and
// in-place processing.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "engine/engine.h"

namespace {

Engine ready_engine(float fs)
{
    Engine e;
    engine_init(&e);
    engine_set_sample_rate(&e, fs);
    engine_reset(&e);
    return e;
}

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
    std::vector<float> x = test_signal(3000);
    Engine a = ready_engine(44100.0f), b = ready_engine(44100.0f);
    engine_set_parameter(&a, ENGINE_PARAM_DRIVE, 80.0f);
    engine_set_parameter(&b, ENGINE_PARAM_DRIVE, 80.0f);
    std::vector<float> separate(x.size()), in_place = x;
    engine_process(&a, x.data(), separate.data(), (uint32_t)x.size());
    engine_process(&b, in_place.data(), in_place.data(), (uint32_t)x.size());
    EXPECT_EQ(memcmp(separate.data(), in_place.data(), x.size() * sizeof(float)), 0);
}
