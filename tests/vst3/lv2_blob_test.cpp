// A state saved by the LV2 module, loaded from its own bundle, restores the
// VST3 processor: the two modules share one document.
#include <gtest/gtest.h>
#include <string.h>

#include <lv2/state/state.h>

#include "tests/lv2/lv2_test_host.h"
#include "tests/vst3/host.h"

namespace {

struct Saved {
    std::vector<uint8_t> blob;
};

LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                       uint32_t type, uint32_t flags)
{
    (void)key;
    (void)type;
    (void)flags;
    Saved* saved = (Saved*)handle;
    saved->blob.assign((const uint8_t*)value, (const uint8_t*)value + size);
    return LV2_STATE_SUCCESS;
}

TEST(Vst3State, TheLv2ModulesBlobLoads)
{
    LoadedModule lv2;
    ASSERT_TRUE(lv2.load(lv2_module_path())) << lv2_module_path();
    const LV2_Descriptor* descriptor = lv2.lv2_descriptor(0);
    ASSERT_NE(descriptor, nullptr);
    TestHost lv2_host;
    std::vector<const LV2_Feature*> features = lv2_host.features(true, false);
    LV2_Handle instance = descriptor->instantiate(descriptor, 44100.0,
                                                  lv2_bundle_path().c_str(), features.data());
    ASSERT_NE(instance, nullptr);
    // Controls 2 to 6 carry drive to volume; 7 is "enabled" (0: bypassed).
    float controls[6] = {66.0f, 12.0f, 90.0f, 45.0f, 175.0f, 0.0f};
    float in[16] = {}, out[16];
    descriptor->connect_port(instance, 0, in);
    descriptor->connect_port(instance, 1, out);
    for (uint32_t i = 0; i < 6; i++)
        descriptor->connect_port(instance, 2 + i, &controls[i]);
    descriptor->activate(instance);
    descriptor->run(instance, 16);
    const LV2_State_Interface* state =
        (const LV2_State_Interface*)descriptor->extension_data(LV2_STATE__interface);
    ASSERT_NE(state, nullptr);
    Saved saved;
    ASSERT_EQ(state->save(instance, store, &saved, 0, nullptr), LV2_STATE_SUCCESS);
    descriptor->cleanup(instance);
    ASSERT_EQ(saved.blob.size(), 5632u);

    HostProcessor host;
    host.start(48000);
    MemoryStream stream(saved.blob);
    ASSERT_EQ(host.component->vtbl->set_state(host.component, stream.stream()), VST3_OK);
    std::vector<float> block(32, 0.0f);
    host.process(block.data(), block.data(), 32, nullptr);
    const float expected[ENGINE_PARAM_COUNT] = {66.0f, 12.0f, 90.0f, 45.0f, 175.0f, 1.0f};
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(host.engine_value(i), expected[i]) << engine_params[i].key;
}

}  // namespace
