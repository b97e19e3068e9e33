// A small host on lilv's C library: it loads the plug-in from its bundle in
// the build tree, saves its state with lilv's own state functions and
// restores it into fresh instances.
#include <gtest/gtest.h>

#include <lilv/lilv.h>
#include <lv2/log/log.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "lv2/lv2_binding.h"

namespace {

struct UridTable {
    std::vector<std::string> uris;
    std::vector<std::string> log;

    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        UridTable* t = (UridTable*)handle;
        for (size_t i = 0; i < t->uris.size(); i++)
            if (t->uris[i] == uri)
                return (LV2_URID)(i + 1);
        t->uris.push_back(uri);
        return (LV2_URID)t->uris.size();
    }
    static const char* unmap(LV2_URID_Unmap_Handle handle, LV2_URID urid)
    {
        UridTable* t = (UridTable*)handle;
        return urid >= 1 && urid <= t->uris.size() ? t->uris[urid - 1].c_str() : nullptr;
    }
    static int log_vprintf(LV2_Log_Handle handle, LV2_URID, const char* format, va_list args)
    {
        char text[512];
        int n = vsnprintf(text, sizeof text, format, args);
        ((UridTable*)handle)->log.push_back(text);
        return n;
    }
    static int log_printf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        int n = log_vprintf(handle, type, format, args);
        va_end(args);
        return n;
    }
};

// One plug-in instance with its audio and control buffers.
struct Instance {
    LilvInstance* lilv = nullptr;
    float audio[256] = {};
    float controls[6];
    bool connect_controls;

    Instance(const LilvPlugin* plugin, const LV2_Feature* const* features, const float* values)
        : connect_controls(values != nullptr)
    {
        lilv = lilv_plugin_instantiate(plugin, 48000.0, features);
        if (!lilv)
            return;
        lilv_instance_connect_port(lilv, LV2_PORT_INPUT, audio);
        lilv_instance_connect_port(lilv, LV2_PORT_OUTPUT, audio);
        for (int i = 0; i < 6 && values; i++) {
            controls[i] = values[i];
            lilv_instance_connect_port(lilv, LV2_PORT_FIRST_CONTROL + i, &controls[i]);
        }
        lilv_instance_activate(lilv);
    }
    ~Instance()
    {
        if (lilv)
            lilv_instance_free(lilv);
    }
    void run() { lilv_instance_run(lilv, 256); }
    // The engine of the shared object, read through the instance handle:
    // the test is built from the same sources, so the layout is the same.
    float engine_value(int index)
    {
        const Lv2Plugin* p = (const Lv2Plugin*)lilv_instance_get_handle(lilv);
        return engine_get_parameter(&p->engine, index);
    }
};

struct LilvHost : ::testing::Test {
    UridTable urids;
    LV2_URID_Map map = {&urids, UridTable::map};
    LV2_URID_Unmap unmap = {&urids, UridTable::unmap};
    LV2_Log_Log log = {&urids, UridTable::log_printf, UridTable::log_vprintf};
    LV2_Feature map_feature = {LV2_URID__map, &map};
    LV2_Feature unmap_feature = {LV2_URID__unmap, &unmap};
    LV2_Feature log_feature = {LV2_LOG__log, &log};
    const LV2_Feature* features[4] = {&map_feature, &unmap_feature, &log_feature, nullptr};

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;

    void SetUp() override
    {
        world = lilv_world_new();
        lilv_world_load_specifications(world);
        lilv_world_load_plugin_classes(world);
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, BROLT_TEST_LV2_BUNDLE "/");
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world, BROLT_PLUGIN_URI);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        ASSERT_NE(plugin, nullptr) << "no plug-in in " BROLT_TEST_LV2_BUNDLE;
    }
    void TearDown() override { lilv_world_free(world); }

    LilvState* save(Instance& instance)
    {
        return lilv_state_new_from_instance(plugin, instance.lilv, &map, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr,
                                            LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
    }
};

// Port values and the engine values they give (port 7 is the enabled sense).
const float PORTS[6] = {72.5f, 13.0f, 88.25f, 64.0f, 171.5f, 0.0f};
const float ENGINE_VALUES[6] = {72.5f, 13.0f, 88.25f, 64.0f, 171.5f, 1.0f};

}  // namespace

TEST_F(LilvHost, DescribesTheEightPorts)
{
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 8u);
    const char* symbols[8] = {"in", "out", "drive", "tone", "heat", "mix", "volume", "enabled"};
    for (uint32_t i = 0; i < 8; i++) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        ASSERT_NE(port, nullptr);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), symbols[i]);
    }
    LilvNode* state_iface = lilv_new_uri(world, LV2_STATE__interface);
    EXPECT_TRUE(lilv_plugin_has_extension_data(plugin, state_iface));
    lilv_node_free(state_iface);
}

TEST_F(LilvHost, StateSavedByLilvRestoresIntoAFreshInstance)
{
    Instance source(plugin, features, PORTS);
    ASSERT_NE(source.lilv, nullptr);
    source.run();
    for (int i = 0; i < 6; i++)
        ASSERT_EQ(source.engine_value(i), ENGINE_VALUES[i]);
    LilvState* state = save(source);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(lilv_state_get_num_properties(state), 1u);

    // Controls left unconnected, so only the restored state can set them.
    Instance fresh(plugin, features, nullptr);
    ASSERT_NE(fresh.lilv, nullptr);
    lilv_state_restore(state, fresh.lilv, nullptr, nullptr, 0, features);
    fresh.run();
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(fresh.engine_value(i), ENGINE_VALUES[i]) << engine_params[i].key;

    // Saving the restored instance gives the very same state.
    LilvState* again = save(fresh);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(lilv_state_equals(state, again));
    lilv_state_free(again);

    // Through lilv's text form, as a host writes it into a session file.
    char* text = lilv_state_to_string(world, &map, &unmap, state, "urn:brolt:test-state", nullptr);
    ASSERT_NE(text, nullptr);
    LilvState* reread = lilv_state_new_from_string(world, &map, text);
    lilv_free(text);
    ASSERT_NE(reread, nullptr);
    Instance third(plugin, features, nullptr);
    lilv_state_restore(reread, third.lilv, nullptr, nullptr, 0, features);
    third.run();
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(third.engine_value(i), ENGINE_VALUES[i]) << engine_params[i].key;
    lilv_state_free(reread);
    lilv_state_free(state);
    EXPECT_TRUE(urids.log.empty()) << urids.log[0];
}

TEST_F(LilvHost, SessionSavedBeforeAudioRunsKeepsTheRestoredValues)
{
    Instance source(plugin, features, PORTS);
    source.run();
    LilvState* state = save(source);
    ASSERT_NE(state, nullptr);
    // Load a session and save it again without a single run in between.
    Instance loaded(plugin, features, nullptr);
    lilv_state_restore(state, loaded.lilv, nullptr, nullptr, 0, features);
    LilvState* resaved = save(loaded);
    ASSERT_NE(resaved, nullptr);
    EXPECT_TRUE(lilv_state_equals(state, resaved));
    lilv_state_free(resaved);
    lilv_state_free(state);
}
