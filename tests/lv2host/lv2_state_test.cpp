// The LV2 state interface, driven directly like a host would: the stored
// property, the status codes and messages, and the hand-over to run.
#include <gtest/gtest.h>

#include <math.h>

#include "tests/lv2host/lv2_test_host.h"

namespace {

const float RESTORED[ENGINE_PARAM_COUNT] = {80.0f, 20.0f, 65.5f, 40.0f, 150.0f, 1.0f};

struct Lv2StateFixture : ::testing::Test {
    StateHost host;
    const LV2_State_Interface* state = test_state_interface();
    Lv2Plugin* plugin = nullptr;
    float audio[64] = {};

    void SetUp() override
    {
        ASSERT_NE(state, nullptr);
        plugin = instantiate(host.all);
    }
    void TearDown() override { lv2_plugin_descriptor.cleanup(plugin); }

    Lv2Plugin* instantiate(const LV2_Feature* const* features)
    {
        Lv2Plugin* p = (Lv2Plugin*)lv2_plugin_descriptor.instantiate(&lv2_plugin_descriptor,
                                                                      44100.0, "/", features);
        lv2_plugin_descriptor.connect_port(p, LV2_PORT_INPUT, audio);
        lv2_plugin_descriptor.connect_port(p, LV2_PORT_OUTPUT, audio);
        return p;
    }
    LV2_State_Status save(Lv2Plugin* p)
    {
        return state->save(p, StateHost::store, &host, 0, host.all);
    }
    LV2_State_Status restore(Lv2Plugin* p)
    {
        return state->restore(p, StateHost::retrieve, &host, 0, host.all);
    }
    LV2_State_Status restore_blob(const std::string& blob)
    {
        host.stored = blob;
        return restore(plugin);
    }
    void run() { lv2_plugin_descriptor.run(plugin, 64); }
    void expect_engine(const float* values, const char* what)
    {
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            EXPECT_EQ(engine_get_parameter(&plugin->engine, i), values[i])
                << what << ": " << engine_params[i].key;
    }
    void expect_exchange(const float* values, const char* what)
    {
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            EXPECT_EQ(plugin->exchange.param_exchange[i], values[i])
                << what << ": " << engine_params[i].key;
    }
    static std::vector<float> defaults()
    {
        std::vector<float> d;
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            d.push_back(engine_params[i].default_value);
        return d;
    }
};

}  // namespace

TEST(Lv2StateExtension, OfferedOnlyForTheStateInterface)
{
    const LV2_State_Interface* iface = test_state_interface();
    ASSERT_NE(iface, nullptr);
    EXPECT_NE(iface->save, nullptr);
    EXPECT_NE(iface->restore, nullptr);
    EXPECT_EQ(lv2_plugin_descriptor.extension_data(LV2_URID__map), nullptr);
    EXPECT_EQ(lv2_plugin_descriptor.extension_data(""), nullptr);
}

TEST_F(Lv2StateFixture, SaveStoresTheDocumentAsAPortableChunk)
{
    float ports[ENGINE_PARAM_COUNT] = {70.0f, 30.0f, 10.0f, 90.0f, 120.0f, 0.0f};
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_FIRST_CONTROL + i, &ports[i]);
    lv2_plugin_descriptor.activate(plugin);
    run();
    ASSERT_EQ(save(plugin), LV2_STATE_SUCCESS);
    EXPECT_EQ(host.store_calls, 1);
    EXPECT_EQ(host.stored_key, host.urid(TEST_STATE_PROPERTY));
    EXPECT_EQ(host.stored_type, host.urid(LV2_ATOM__Chunk));
    EXPECT_EQ(host.stored_flags, (uint32_t)(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
    ASSERT_EQ(host.stored.size(), (size_t)STATE_BLOB_SIZE);
    // Byte for byte the shared document with "format" "lv2" and the rate.
    const float expected[ENGINE_PARAM_COUNT] = {70.0f, 30.0f, 10.0f, 90.0f, 120.0f, 1.0f};
    EXPECT_EQ(host.stored, test_state_blob(expected, "lv2", 44100.0f));
    EXPECT_EQ(plugin->exchange.synced, 0);  // the next run re-examines the ports

    host.store_result = LV2_STATE_ERR_NO_SPACE;
    EXPECT_EQ(save(plugin), LV2_STATE_ERR_UNKNOWN);
}

TEST_F(Lv2StateFixture, RestoreReachesTheEngineAtTheNextRun)
{
    lv2_plugin_descriptor.activate(plugin);
    run();
    // A document of the other module loads the same way.
    ASSERT_EQ(restore_blob(test_state_blob(RESTORED, "vst3")), LV2_STATE_SUCCESS);
    expect_exchange(RESTORED, "after restore");
    EXPECT_EQ(plugin->exchange.restored, 1);
    expect_engine(defaults().data(), "before the next run");
    run();
    expect_engine(RESTORED, "after the next run");
    EXPECT_EQ(plugin->exchange.restored, 0);
    EXPECT_EQ(plugin->exchange.synced, 1);
}

TEST_F(Lv2StateFixture, ConnectedPortsOverrideARestoreInTheSameRun)
{
    float drive = 50.0f, enabled = 0.0f;  // enabled 0 says bypassed, like the document
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_FIRST_CONTROL, &drive);
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_ENABLED, &enabled);
    lv2_plugin_descriptor.activate(plugin);
    run();
    ASSERT_EQ(restore_blob(test_state_blob(RESTORED)), LV2_STATE_SUCCESS);
    run();
    // The drive port (50) differs from the restored 80 and wins; bypass agrees.
    const float expected[ENGINE_PARAM_COUNT] = {50.0f, 20.0f, 65.5f, 40.0f, 150.0f, 1.0f};
    expect_engine(expected, "port 7 also bypassed");

    ASSERT_EQ(restore_blob(test_state_blob(RESTORED)), LV2_STATE_SUCCESS);
    enabled = 1.0f;
    run();
    EXPECT_EQ(engine_get_parameter(&plugin->engine, ENGINE_PARAM_BYPASS), 0.0f);
}

TEST_F(Lv2StateFixture, RestoredValuesAreLimited)
{
    float stored[ENGINE_PARAM_COUNT] = {250.0f, -1.0f, INFINITY, 100.0f, -5.0f, 0.75f};
    ASSERT_EQ(restore_blob(test_state_blob(stored)), LV2_STATE_SUCCESS);
    const float expected[ENGINE_PARAM_COUNT] = {100.0f, 0.0f, 100.0f, 100.0f, 0.0f, 1.0f};
    expect_exchange(expected, "limited");
}

TEST_F(Lv2StateFixture, RefusedDocumentsChangeNothing)
{
    lv2_plugin_descriptor.activate(plugin);
    run();
    float nan_volume[ENGINE_PARAM_COUNT] = {80.0f, 20.0f, 65.5f, 40.0f, NAN, 1.0f};
    std::string wrong_id = test_state_blob(RESTORED);
    size_t at = wrong_id.find("wyrel-brolt");
    ASSERT_NE(at, std::string::npos);
    wrong_id[at] = 'W';
    const struct {
        const char* what;
        std::string blob;
    } cases[] = {
        {"NaN volume", test_state_blob(nan_volume)},
        {"wrong id", wrong_id},
        {"not a document", std::string(300, 'x')},
        {"empty value", std::string()},
        {"truncated document", test_state_blob(RESTORED).substr(0, 2000)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(restore_blob(c.blob), LV2_STATE_ERR_UNKNOWN) << c.what;
        EXPECT_EQ(plugin->exchange.restored, 0) << c.what;
        expect_exchange(defaults().data(), c.what);
        run();
        expect_engine(defaults().data(), c.what);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Lv2StateFixture, AValueOfAnotherTypeIsStillParsed)
{
    host.stored_type = host.urid(LV2_ATOM__String);
    host.stored_flags = 0;
    EXPECT_EQ(restore_blob(test_state_blob(RESTORED)), LV2_STATE_SUCCESS);
    expect_exchange(RESTORED, "typed as a string");
}

TEST_F(Lv2StateFixture, MissingPropertyIsReportedWithItsUri)
{
    host.have_property = false;
    EXPECT_EQ(restore(plugin), LV2_STATE_ERR_NO_PROPERTY);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.message_types[0], host.urid(LV2_LOG__Error));
    EXPECT_EQ(host.messages[0], "Cannot restore state since property <" TEST_STATE_PROPERTY
                                    "> could not be retrieved\n");
}

TEST_F(Lv2StateFixture, WithoutAUridMapBothCallsRefuse)
{
    Lv2Plugin* bare = instantiate(host.log_only);
    host.messages.clear();
    host.message_types.clear();
    host.stored = test_state_blob(RESTORED);
    EXPECT_EQ(save(bare), LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(restore(bare), LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(host.store_calls, 0);
    EXPECT_EQ(bare->exchange.restored, 0);
    ASSERT_EQ(host.messages.size(), 2u);
    // Without a map the logger's Error URID is 0.
    EXPECT_EQ(host.message_types[0], 0u);
    EXPECT_EQ(host.messages[0], "Host is trying to store state but didn't provide URID map\n");
    EXPECT_EQ(host.messages[1], "Host is trying to restore state but didn't provide URID map\n");
    lv2_plugin_descriptor.cleanup(bare);
}

// A host that loads a session and saves it before audio runs must get the
// session's values back, not the ones the restore is about to replace.
TEST_F(Lv2StateFixture, SaveBeforeTheNextRunKeepsThePendingRestore)
{
    lv2_plugin_descriptor.activate(plugin);
    run();
    ASSERT_EQ(restore_blob(test_state_blob(RESTORED)), LV2_STATE_SUCCESS);
    ASSERT_EQ(save(plugin), LV2_STATE_SUCCESS);
    float saved[ENGINE_PARAM_COUNT];
    ASSERT_TRUE(test_state_values(host.stored, saved));
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(saved[i], RESTORED[i]) << engine_params[i].key;
    // The save did not consume the restore: the next run still applies it.
    EXPECT_EQ(plugin->exchange.restored, 1);
    run();
    expect_engine(RESTORED, "after the run");
}

// Activation after a restore keeps the restored values for unconnected
// controls; a connected control still wins, as it does in run.
TEST_F(Lv2StateFixture, ActivateAfterARestoreKeepsTheRestoredValues)
{
    float tone = 5.0f;
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_FIRST_CONTROL + 1, &tone);
    ASSERT_EQ(restore_blob(test_state_blob(RESTORED)), LV2_STATE_SUCCESS);
    lv2_plugin_descriptor.activate(plugin);
    const float expected[ENGINE_PARAM_COUNT] = {80.0f, 5.0f, 65.5f, 40.0f, 150.0f, 1.0f};
    expect_engine(expected, "after activate");
    run();
    expect_engine(expected, "after the first run");
    ASSERT_EQ(save(plugin), LV2_STATE_SUCCESS);
    float saved[ENGINE_PARAM_COUNT];
    ASSERT_TRUE(test_state_values(host.stored, saved));
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(saved[i], expected[i]) << engine_params[i].key;

    // A later activation without a pending restore goes back to the defaults.
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_FIRST_CONTROL + 1, nullptr);
    lv2_plugin_descriptor.activate(plugin);
    expect_engine(defaults().data(), "activate without a restore");
}
