// The LV2 module as a host sees it: loaded from its bundle with the
// platform's loader and used only through its exported descriptors.
#include <gtest/gtest.h>

#include <string.h>
#include <xmmintrin.h>

#include <vector>

#include "engine/denormal_guard.h"
#include "engine/engine.h"
#include "lv2/lv2_binding.h"
#include "tests/lv2/lv2_test_host.h"

namespace {

struct ModuleTest : ::testing::Test {
    LoadedModule module;
    const LV2_Descriptor* d = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(module.load(lv2_module_path())) << lv2_module_path();
        d = module.lv2_descriptor(0);
        ASSERT_NE(d, nullptr);
    }
};

}  // namespace

TEST_F(ModuleTest, DescriptorForIndexZeroOnly)
{
    EXPECT_STREQ(d->URI, BROLT_PLUGIN_URI);
    EXPECT_EQ(module.lv2_descriptor(1), nullptr);
    EXPECT_EQ(module.lv2_descriptor(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(d->deactivate, nullptr);
    EXPECT_NE(d->activate, nullptr);
    EXPECT_NE(d->extension_data, nullptr);
    EXPECT_EQ(d->extension_data("urn:nothing"), nullptr);
#ifdef _WIN32
    EXPECT_NE(module.lv2ui_descriptor, nullptr);  // the Windows module has the editor
#endif
}

TEST_F(ModuleTest, InstantiateWithAndWithoutFeatures)
{
    for (int variant = 0; variant < 3; variant++) {
        TestHost host;
        std::vector<const LV2_Feature*> features = host.features(variant != 1, variant != 2);
        LV2_Handle h = d->instantiate(d, 44100.0, lv2_bundle_path().c_str(), features.data());
        ASSERT_NE(h, nullptr) << variant;
        if (variant == 1) {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0], "Missing feature <" LV2_URID__map ">\n");
        } else {
            EXPECT_TRUE(host.messages.empty()) << variant;
        }
        d->cleanup(h);
    }
    // A null feature list is a host without features.
    LV2_Handle h = d->instantiate(d, 44100.0, lv2_bundle_path().c_str(), nullptr);
    ASSERT_NE(h, nullptr);
    d->cleanup(h);
}

// The module renders exactly what the engine renders for the same controls,
// in place or not, and leaves the caller's floating-point modes alone.
TEST_F(ModuleTest, RunsBlocksLikeTheEngine)
{
    TestHost host;
    std::vector<const LV2_Feature*> features = host.features(true, true);
    LV2_Handle h = d->instantiate(d, 48000.0, lv2_bundle_path().c_str(), features.data());
    ASSERT_NE(h, nullptr);

    float controls[LV2_PORT_COUNT] = {0, 0, 75.0f, 30.0f, 60.0f, 90.0f, 120.0f, 1.0f};
    for (uint32_t port = 2; port < LV2_PORT_COUNT; port++)
        d->connect_port(h, port, &controls[port]);
    const uint32_t n = 4096;
    std::vector<float> in(n), out(n), in_place(n);
    for (uint32_t k = 0; k < n; k++)
        in[k] = 0.6f * (float)((k * 37u) % 101u) / 101.0f - 0.3f;
    in_place = in;

    Engine reference;
    engine_init(&reference);
    engine_set_sample_rate(&reference, 48000.0f);
    const float values[ENGINE_PARAM_COUNT] = {75.0f, 30.0f, 60.0f, 90.0f, 120.0f, 0.0f};
    for (int32_t k = 0; k < ENGINE_PARAM_COUNT; k++)
        engine_set_parameter(&reference, k, values[k]);
    engine_reset(&reference);
    std::vector<float> expected(n);

    const uint32_t caller = _mm_getcsr();
    d->activate(h);
    for (uint32_t start = 0; start < n; start += 512) {
        d->connect_port(h, LV2_PORT_INPUT, &in[start]);
        d->connect_port(h, LV2_PORT_OUTPUT, &out[start]);
        d->run(h, 512);
        EXPECT_EQ(_mm_getcsr() & DENORMAL_GUARD_BITS, caller & DENORMAL_GUARD_BITS);
        uint32_t saved = denormal_guard_enter();
        engine_process(&reference, &in[start], &expected[start], 512);
        denormal_guard_leave(saved);
    }
    EXPECT_EQ(memcmp(out.data(), expected.data(), n * sizeof(float)), 0);

    // In place, from a fresh activation.
    d->activate(h);
    d->connect_port(h, LV2_PORT_INPUT, in_place.data());
    d->connect_port(h, LV2_PORT_OUTPUT, in_place.data());
    for (uint32_t start = 0; start < n; start += 512) {
        d->connect_port(h, LV2_PORT_INPUT, &in_place[start]);
        d->connect_port(h, LV2_PORT_OUTPUT, &in_place[start]);
        d->run(h, 512);
    }
    EXPECT_EQ(memcmp(in_place.data(), expected.data(), n * sizeof(float)), 0);

    d->run(h, 0);  // an empty block is fine
    d->cleanup(h);
}
