// The hand-over between the audio thread and the state calls.
#include <gtest/gtest.h>

#include <math.h>

#include "engine/param_exchange.h"

namespace {

struct Fixture {
    Engine engine;
    ParamExchange px;
    Fixture()
    {
        engine_init(&engine);
        float defaults[ENGINE_PARAM_COUNT];
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            defaults[i] = engine_params[i].default_value;
        param_exchange_init(&px, defaults);
    }
};

}  // namespace

TEST(ParamExchange, TryLockFailsWhileHeldAndLockClearsSynced)
{
    Fixture f;
    param_exchange_lock(&f.px);
    EXPECT_EQ(f.px.synced, 0);
    EXPECT_EQ(param_exchange_try_lock(&f.px), 0);
    param_exchange_unlock(&f.px);
    EXPECT_EQ(param_exchange_try_lock(&f.px), 1);
    param_exchange_unlock(&f.px);
}

TEST(ParamExchange, ChangeSeenWithoutLockReachesEngineAtNextSync)
{
    Fixture f;
    param_exchange_lock(&f.px);  // a save holds the lock
    EXPECT_EQ(param_exchange_try_lock(&f.px), 0);
    param_exchange_take(&f.px, &f.engine, ENGINE_PARAM_DRIVE, 70.0f, 0);
    EXPECT_EQ(f.px.param_values[ENGINE_PARAM_DRIVE], 70.0f);
    EXPECT_EQ(engine_get_parameter(&f.engine, ENGINE_PARAM_DRIVE), 50.0f);
    param_exchange_unlock(&f.px);

    ASSERT_EQ(param_exchange_try_lock(&f.px), 1);
    param_exchange_sync(&f.px, &f.engine);
    param_exchange_unlock(&f.px);
    EXPECT_EQ(engine_get_parameter(&f.engine, ENGINE_PARAM_DRIVE), 70.0f);
    EXPECT_EQ(f.px.param_exchange[ENGINE_PARAM_DRIVE], 70.0f);
    EXPECT_EQ(f.px.synced, 1);
}

TEST(ParamExchange, RestoreWinsOverAudioValuesAndReadSeesItWhilePending)
{
    Fixture f;
    const float restored[ENGINE_PARAM_COUNT] = {10, 20, 30, 40, 150, 1};
    param_exchange_hand_over(&f.px, restored);

    // A save before the audio thread ran must write the restored values.
    float saved[ENGINE_PARAM_COUNT];
    param_exchange_read(&f.px, &f.engine, saved);
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(saved[i], restored[i]) << i;

    ASSERT_EQ(param_exchange_try_lock(&f.px), 1);
    param_exchange_sync(&f.px, &f.engine);
    param_exchange_unlock(&f.px);
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++) {
        EXPECT_EQ(engine_get_parameter(&f.engine, i), restored[i]) << i;
        EXPECT_EQ(f.px.param_values[i], restored[i]) << i;
    }
    EXPECT_EQ(f.px.restored, 0);

    param_exchange_read(&f.px, &f.engine, saved);
    EXPECT_EQ(saved[ENGINE_PARAM_VOLUME], 150.0f);
}

TEST(ParamExchange, NanCountsAsDifferent)
{
    Fixture f;
    f.px.param_values[ENGINE_PARAM_TONE] = NAN;
    f.px.param_exchange[ENGINE_PARAM_TONE] = NAN;
    param_exchange_take(&f.px, &f.engine, ENGINE_PARAM_TONE, 20.0f, 1);
    EXPECT_EQ(engine_get_parameter(&f.engine, ENGINE_PARAM_TONE), 20.0f);
}
