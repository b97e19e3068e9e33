// The LV2 instance, linked in: port conversion and limiting, the hand-over
// to the engine, the denormal guard and the lock discipline of run.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <xmmintrin.h>

#include <vector>

#include "engine/denormal_guard.h"
#include "lv2/lv2_binding.h"
#include "tests/lv2/lv2_test_host.h"

namespace {

const LV2_Descriptor* const plugin = &lv2_plugin_descriptor;

struct Instance {
    TestHost host;
    Lv2Plugin* p;
    float controls[LV2_PORT_COUNT] = {};
    std::vector<float> in = std::vector<float>(64, 0.25f);
    std::vector<float> out = std::vector<float>(64, 0.0f);

    explicit Instance(bool with_map = true)
    {
        std::vector<const LV2_Feature*> features = host.features(with_map, true);
        p = (Lv2Plugin*)plugin->instantiate(plugin, 48000.0, "", features.data());
        plugin->connect_port(p, LV2_PORT_INPUT, in.data());
        plugin->connect_port(p, LV2_PORT_OUTPUT, out.data());
    }
    ~Instance() { plugin->cleanup(p); }

    void connect_control(uint32_t port, float value)
    {
        controls[port] = value;
        plugin->connect_port(p, port, &controls[port]);
    }
    void run(uint32_t n = 64) { plugin->run(p, n); }
    float engine_value(int32_t index) { return engine_get_parameter(&p->engine, index); }
};

}  // namespace

TEST(Lv2Instance, ControlValuesAreLimitedAndEnabledBecomesBypass)
{
    struct Case {
        uint32_t port;
        float port_value;
        int32_t index;
        float engine_value;
    } cases[] = {
        {2, 150.0f, ENGINE_PARAM_DRIVE, 100.0f},  {2, 30.5f, ENGINE_PARAM_DRIVE, 30.5f},
        {3, -1.0f, ENGINE_PARAM_TONE, 0.0f},      {4, 100.0f, ENGINE_PARAM_HEAT, 100.0f},
        {5, 101.0f, ENGINE_PARAM_MIX, 100.0f},    {6, -3.0f, ENGINE_PARAM_VOLUME, 0.0f},
        {6, 250.0f, ENGINE_PARAM_VOLUME, 200.0f}, {6, 150.0f, ENGINE_PARAM_VOLUME, 150.0f},
        {7, 0.2f, ENGINE_PARAM_BYPASS, 0.0f},     {7, 0.0f, ENGINE_PARAM_BYPASS, 1.0f},
        {7, -1.0f, ENGINE_PARAM_BYPASS, 1.0f},    {7, 1.0f, ENGINE_PARAM_BYPASS, 0.0f},
    };
    for (const Case& c : cases) {
        // Through activate and through run alike.
        Instance a;
        a.connect_control(c.port, c.port_value);
        plugin->activate(a.p);
        EXPECT_EQ(a.engine_value(c.index), c.engine_value) << "activate, port " << c.port;

        Instance r;
        plugin->activate(r.p);
        r.connect_control(c.port, c.port_value);
        r.run();
        EXPECT_EQ(r.engine_value(c.index), c.engine_value) << "run, port " << c.port;
        EXPECT_EQ(r.p->exchange.param_values[c.index], c.engine_value);
        EXPECT_EQ(r.p->exchange.param_exchange[c.index], c.engine_value);
    }
}

TEST(Lv2Instance, UnconnectedControlsKeepDefaults)
{
    Instance i;
    i.connect_control(2, 80.0f);
    plugin->activate(i.p);
    for (int n = 0; n < 3; n++)
        i.run();
    const float expected[ENGINE_PARAM_COUNT] = {80, 50, 50, 100, 100, 0};
    for (int32_t k = 0; k < ENGINE_PARAM_COUNT; k++)
        EXPECT_EQ(i.engine_value(k), expected[k]) << k;
}

TEST(Lv2Instance, UnchangedPortCausesNoParameterCall)
{
    Instance i;
    i.connect_control(2, 70.0f);
    plugin->activate(i.p);
    i.run();
    // Mark the engine's value behind the binding's back: a repeated call
    // for the unchanged port would overwrite the mark.
    engine_set_parameter(&i.p->engine, ENGINE_PARAM_DRIVE, 12.0f);
    i.run();
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_DRIVE), 12.0f);
    i.controls[2] = 71.0f;
    i.run();
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_DRIVE), 71.0f);
}

TEST(Lv2Instance, NanOnControlPortIsIgnored)
{
    Instance i;
    i.connect_control(3, 20.0f);
    i.connect_control(7, 1.0f);
    plugin->activate(i.p);
    i.run();
    i.controls[3] = NAN;
    i.controls[7] = NAN;
    i.run();
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_TONE), 20.0f);
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_BYPASS), 0.0f);
    EXPECT_EQ(i.p->exchange.param_values[ENGINE_PARAM_TONE], 20.0f);

    // A NaN present at activation counts as no value: the default stays.
    Instance a;
    a.connect_control(3, NAN);
    plugin->activate(a.p);
    a.run();
    EXPECT_EQ(a.engine_value(ENGINE_PARAM_TONE), 50.0f);
}

TEST(Lv2Instance, ConnectPortBeyondLastIsIgnored)
{
    Instance i;
    std::vector<unsigned char> before((unsigned char*)i.p, (unsigned char*)(i.p + 1));
    float dummy = 1.0f;
    plugin->connect_port(i.p, 8, &dummy);
    plugin->connect_port(i.p, 1000, &dummy);
    EXPECT_EQ(memcmp(before.data(), i.p, sizeof *i.p), 0);
}

TEST(Lv2Instance, RunNeverWaitsForHeldLockAndCatchesUpNextRun)
{
    Instance i;
    i.connect_control(2, 50.0f);
    plugin->activate(i.p);
    i.run();

    param_exchange_lock(&i.p->exchange);  // a save on another thread
    i.controls[2] = 90.0f;
    i.run();  // would hang here if run waited
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_DRIVE), 50.0f);
    EXPECT_EQ(i.p->exchange.param_values[ENGINE_PARAM_DRIVE], 90.0f);
    param_exchange_unlock(&i.p->exchange);

    i.run();
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_DRIVE), 90.0f);
    EXPECT_EQ(i.p->exchange.param_exchange[ENGINE_PARAM_DRIVE], 90.0f);
    EXPECT_EQ(i.p->exchange.state_lock, 0);
}

TEST(Lv2Instance, RestoreReachesEngineAtNextRunUnlessAPortDiffers)
{
    Instance i;
    i.connect_control(2, 40.0f);  // drive connected, tone not
    plugin->activate(i.p);
    i.run();
    const float restored[ENGINE_PARAM_COUNT] = {10, 20, 30, 40, 150, 1};
    param_exchange_hand_over(&i.p->exchange, restored);
    i.run();
    // The connected drive port says 40, which differs from 10: it wins.
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_DRIVE), 40.0f);
    for (int32_t k = 1; k < ENGINE_PARAM_COUNT; k++)
        EXPECT_EQ(i.engine_value(k), restored[k]) << k;
}

TEST(Lv2Instance, ActivateKeepsAPendingRestoreForUnconnectedPorts)
{
    Instance i;
    i.connect_control(3, 60.0f);
    const float restored[ENGINE_PARAM_COUNT] = {10, 20, 30, 40, 150, 1};
    param_exchange_hand_over(&i.p->exchange, restored);
    plugin->activate(i.p);
    const float expected[ENGINE_PARAM_COUNT] = {10, 60, 30, 40, 150, 1};
    for (int32_t k = 0; k < ENGINE_PARAM_COUNT; k++) {
        EXPECT_EQ(i.engine_value(k), expected[k]) << k;
        EXPECT_EQ(i.p->exchange.param_exchange[k], expected[k]) << k;
    }
    EXPECT_EQ(i.p->exchange.restored, 0);
    EXPECT_EQ(i.p->exchange.synced, 1);
    EXPECT_EQ(i.p->exchange.state_lock, 0);
}

TEST(Lv2Instance, EnabledPortAtOneLeavesEngineUnbypassedFromFirstSample)
{
    Instance i;
    i.connect_control(7, 1.0f);
    plugin->activate(i.p);
    EXPECT_EQ(i.engine_value(ENGINE_PARAM_BYPASS), 0.0f);
    EXPECT_EQ(i.p->exchange.param_values[ENGINE_PARAM_BYPASS], 0.0f);
}

TEST(Lv2Instance, CallersFloatingPointModesSurviveRun)
{
    Instance i;
    plugin->activate(i.p);
    const uint32_t original = _mm_getcsr();
    // Every combination of the two guarded bits, with a non-default
    // rounding mode to prove the other bits are left alone.
    const uint32_t rounding = 0x2000;  // round towards +inf
    for (uint32_t bits : {0u, 0x40u, 0x8000u, 0x8040u}) {
        uint32_t caller = (original & ~(uint32_t)(DENORMAL_GUARD_BITS | 0x6000)) | bits | rounding;
        _mm_setcsr(caller);
        i.run();
        uint32_t after = _mm_getcsr();
        _mm_setcsr(original);
        EXPECT_EQ(after & ~0x3Fu, caller & ~0x3Fu) << std::hex << bits;  // exception flags aside
    }
}

TEST(Lv2Instance, MissingUridMapIsLoggedOnceAndTolerated)
{
    Instance i(false);
    ASSERT_NE(i.p, nullptr);
    ASSERT_EQ(i.host.messages.size(), 1u);
    EXPECT_EQ(i.host.messages[0], "Missing feature <" LV2_URID__map ">\n");
    EXPECT_EQ(i.host.message_types[0], 0u);  // no map, so no Error URID either
    EXPECT_EQ(i.p->state_key, 0u);
    plugin->activate(i.p);
    i.run();  // still works

    Instance with_map;
    EXPECT_TRUE(with_map.host.messages.empty());
    EXPECT_NE(with_map.p->state_key, 0u);
    EXPECT_EQ(with_map.p->state_key, with_map.host.id(BROLT_PLUGIN_URI "#state_data"));
    EXPECT_EQ(with_map.p->chunk_type, with_map.host.id("http://lv2plug.in/ns/ext/atom#Chunk"));
}
