// run on one thread, save and restore on another, as a host may do. Built
// with ThreadSanitizer (scripts/test-extra.sh) it also proves the absence of
// data races; in the plain build it checks the hand-over itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/lv2host/lv2_test_host.h"

namespace {

typedef std::chrono::steady_clock Clock;

// Value set k: every parameter derived from k, so a mix of two sets shows.
void value_set(int k, float out[ENGINE_PARAM_COUNT])
{
    out[0] = (float)k;
    out[1] = (float)(100 - k);
    out[2] = (float)(k % 37);
    out[3] = (float)(k % 91);
    out[4] = (float)(2 * k);
    out[5] = (float)(k & 1);
}

// The set values come from, 0 for the defaults, -1 for a torn mixture.
int set_of(const float values[ENGINE_PARAM_COUNT])
{
    bool defaults = true;
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        defaults = defaults && values[i] == engine_params[i].default_value;
    if (defaults)
        return 0;
    int k = (int)values[0];
    if (k < 1 || k > 100)
        return -1;
    float expected[ENGINE_PARAM_COUNT];
    value_set(k, expected);
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        if (values[i] != expected[i])
            return -1;
    return k;
}

}  // namespace

TEST(Lv2Concurrency, SaveAndRestoreWhileRunRuns)
{
    StateHost host;  // used by the state thread only once instantiated
    const LV2_State_Interface* state = test_state_interface();
    ASSERT_NE(state, nullptr);
    Lv2Plugin* plugin = (Lv2Plugin*)lv2_plugin_descriptor.instantiate(&lv2_plugin_descriptor,
                                                                       48000.0, "/", host.all);
    ASSERT_NE(plugin, nullptr);
    static float audio[64];
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_INPUT, audio);
    lv2_plugin_descriptor.connect_port(plugin, LV2_PORT_OUTPUT, audio);
    lv2_plugin_descriptor.activate(plugin);

    std::atomic<bool> stop(false);
    std::atomic<long> runs(0);
    std::atomic<int> applied(0);  // the set the engine held after the last run
    std::atomic<int> torn(0);
    std::thread audio_thread([&] {
        while (!stop.load()) {
            lv2_plugin_descriptor.run(plugin, 64);
            // The engine's values belong to run's thread outside the lock.
            float values[ENGINE_PARAM_COUNT];
            for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
                values[i] = engine_get_parameter(&plugin->engine, i);
            int k = set_of(values);
            if (k < 0)
                torn++;
            else
                applied.store(k);
            runs++;
        }
    });

    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(1500);
    int restores = 0, lost = 0, bad_saves = 0;
    for (int i = 0; Clock::now() < end; i++) {
        int k = i % 100 + 1;  // never the same set twice in a row
        float values[ENGINE_PARAM_COUNT];
        value_set(k, values);
        host.stored = test_state_blob(values);
        ASSERT_EQ(state->restore(plugin, StateHost::retrieve, &host, 0, host.all),
                  LV2_STATE_SUCCESS);
        restores++;
        ASSERT_EQ(state->save(plugin, StateHost::store, &host, 0, host.all),
                  LV2_STATE_SUCCESS);
        // Saved right after the restore: that set, whether run applied it yet or not.
        float saved[ENGINE_PARAM_COUNT];
        if (!test_state_values(host.stored, saved) || set_of(saved) != k)
            bad_saves++;
        // The restore reaches the engine at a later run.
        const Clock::time_point give_up = Clock::now() + std::chrono::seconds(2);
        while (applied.load() != k && Clock::now() < give_up)
            std::this_thread::yield();
        if (applied.load() != k)
            lost++;
    }

    // While a state call holds the lock, run goes on without waiting.
    param_exchange_lock(&plugin->exchange);
    long before = runs.load();
    const Clock::time_point give_up = Clock::now() + std::chrono::seconds(2);
    while (runs.load() < before + 100 && Clock::now() < give_up)
        std::this_thread::yield();
    long during = runs.load() - before;
    param_exchange_unlock(&plugin->exchange);

    stop.store(true);
    audio_thread.join();
    EXPECT_GT(restores, 10);
    EXPECT_EQ(lost, 0) << "restores that never reached the engine";
    EXPECT_EQ(bad_saves, 0) << "saves that did not hold the restored set";
    EXPECT_EQ(torn.load(), 0) << "runs that left a mixture of two sets";
    EXPECT_GE(during, 100) << "run waited for the lock";
    lv2_plugin_descriptor.cleanup(plugin);
}
