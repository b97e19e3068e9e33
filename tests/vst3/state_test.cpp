// State through in-memory host streams: what getState writes, what setState
// and setComponentState accept, and setState racing the audio thread.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <atomic>
#include <thread>

#include "engine/denormal_guard.h"
#include "state/state.h"
#include "tests/vst3/host.h"

namespace {

const float saved_values[ENGINE_PARAM_COUNT] = {25.0f, 80.0f, 10.0f, 60.0f, 150.0f, 1.0f};

// A processor at 48 kHz whose engine holds `values`, set through a queue.
void set_through_queue(HostProcessor& host, const float values[ENGINE_PARAM_COUNT])
{
    ParamChanges changes;
    host_queue_values(&changes, values);
    Vst3ProcessData data = {};
    data.input_parameter_changes = changes.changes();
    host.audio->vtbl->process(host.audio, &data);
}

std::vector<uint8_t> get_state(Vst3Component* c, tresult* result = nullptr)
{
    MemoryStream stream;
    tresult r = c->vtbl->get_state(c, stream.stream());
    if (result)
        *result = r;
    return stream.bytes;
}

tresult set_state(Vst3Component* c, const std::vector<uint8_t>& blob, int64_t position = 0)
{
    MemoryStream stream(blob, position);
    return c->vtbl->set_state(c, stream.stream());
}

std::vector<uint8_t> saved_blob()
{
    HostProcessor host;
    host.start(48000);
    set_through_queue(host, saved_values);
    return get_state(host.component);
}

// The document's blob; the document is released.
std::vector<uint8_t> serialized(state_doc* doc)
{
    size_t size = 0;
    uint8_t* blob = state_doc_serialize(doc, &size);
    EXPECT_NE(blob, nullptr);
    std::vector<uint8_t> out(blob, blob + (blob ? size : 0));
    free(blob);
    state_doc_free(doc);
    return out;
}

// A document made with the state archive directly, as another writer would.
std::vector<uint8_t> document(const char* format, float sample_rate,
                              const float values[ENGINE_PARAM_COUNT])
{
    state_doc doc;
    EXPECT_EQ(state_doc_init(&doc), 0);
    StateSaveValues keep;
    EXPECT_EQ(state_doc_fill(&doc, &keep, format, sample_rate, values), 0);
    return serialized(&doc);
}

// Only "id" and six parameters; drive's value has drive_bytes bytes.
std::vector<uint8_t> minimal_document(size_t drive_bytes)
{
    state_doc doc;
    EXPECT_EQ(state_doc_init(&doc), 0);
    kv_map_insert(doc.info, "id", 2, "wyrel-brolt", 11);
    static const float values[ENGINE_PARAM_COUNT] = {70, 20, 30, 40, 50, 0};
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        kv_map_insert(doc.parameters, engine_params[i].key, strlen(engine_params[i].key),
                      &values[i], i == 0 ? drive_bytes : 4);
    return serialized(&doc);
}

// The blob with the first occurrence of `from` replaced by `to` (same length).
std::vector<uint8_t> patched(std::vector<uint8_t> blob, const void* from, const void* to,
                             size_t n)
{
    for (size_t i = 0; i + n <= blob.size(); i++) {
        if (memcmp(&blob[i], from, n) == 0) {
            memcpy(&blob[i], to, n);
            return blob;
        }
    }
    ADD_FAILURE() << "pattern not in the blob";
    return blob;
}

void expect_engine_values(const HostProcessor& host, const float values[ENGINE_PARAM_COUNT])
{
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(host.engine_value(i), values[i]) << engine_params[i].key;
}

TEST(Vst3State, SaveIsOneDocumentInOneChunk)
{
    HostProcessor host;
    host.start(48000);
    set_through_queue(host, saved_values);
    MemoryStream stream;
    ASSERT_EQ(host.component->vtbl->get_state(host.component, stream.stream()), VST3_OK);
    EXPECT_EQ(stream.bytes.size(), (size_t)STATE_BLOB_SIZE);
    EXPECT_EQ(stream.write_calls, 1);

    state_doc doc;
    ASSERT_EQ(state_doc_parse(&doc, stream.bytes.data(), stream.bytes.size()), 0);
    uint64_t length = 0;
    const uint8_t* format = kv_map_find(doc.info, "format", 6, &length);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(std::string((const char*)format, (size_t)length), "vst3");
    const uint8_t* rate = kv_map_find(doc.info, "sample_rate", 11, &length);
    ASSERT_NE(rate, nullptr);
    float fs;
    memcpy(&fs, rate, 4);
    EXPECT_EQ(fs, 48000.0f);
    float values[ENGINE_PARAM_COUNT];
    ASSERT_EQ(state_doc_load_values(&doc, values), 0);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(values[i], saved_values[i]);
    state_doc_free(&doc);

    // A never activated processor saves sample rate 0 and the defaults.
    HostProcessor fresh;
    Vst3FUnknown context;
    fresh.component->vtbl->initialize(fresh.component, &context);
    float defaults[ENGINE_PARAM_COUNT] = {50, 50, 50, 100, 100, 0};
    EXPECT_EQ(get_state(fresh.component), document("vst3", 0.0f, defaults));
}

TEST(Vst3State, SetThenGetIsByteIdentical)
{
    std::vector<uint8_t> blob = saved_blob();
    ASSERT_EQ(blob.size(), (size_t)STATE_BLOB_SIZE);
    HostProcessor host;
    host.start(48000);
    // Pending (no process yet): the restored values are what gets saved.
    ASSERT_EQ(set_state(host.component, blob), VST3_OK);
    EXPECT_EQ(host_processor_record(host.component)->exchange.restored, 1);
    EXPECT_EQ(get_state(host.component), blob);
    // Several in a row, from a stream the host left at position 100.
    ASSERT_EQ(set_state(host.component, blob, 100), VST3_OK);
    ASSERT_EQ(set_state(host.component, blob, (int64_t)blob.size()), VST3_OK);
    EXPECT_EQ(get_state(host.component), blob);
    // Applied by the next block.
    std::vector<float> in(64, 0.1f), out(64);
    host.process(in.data(), out.data(), 64, nullptr);
    expect_engine_values(host, saved_values);
    EXPECT_EQ(get_state(host.component), blob);
}

TEST(Vst3State, ShortWritesFailTheSave)
{
    HostProcessor host;
    host.start(44100);
    MemoryStream stream;
    stream.max_write = 1000;
    EXPECT_EQ(host.component->vtbl->get_state(host.component, stream.stream()), VST3_FALSE);
    EXPECT_EQ(stream.write_calls, 1);
    EXPECT_EQ(stream.bytes.size(), 1000u);
    EXPECT_EQ(host.component->vtbl->get_state(host.component, nullptr), VST3_FALSE);
    EXPECT_EQ(host.component->vtbl->set_state(host.component, nullptr), VST3_FALSE);
}

TEST(Vst3State, AnotherWritersDocumentLoads)
{
    // The LV2 module writes "lv2" as its format; only "id" and the values count.
    const float values[ENGINE_PARAM_COUNT] = {12.5f, 99.0f, 0.0f, 33.0f, 200.0f, 0.0f};
    HostProcessor host;
    host.start(44100);
    ASSERT_EQ(set_state(host.component, document("lv2", 96000.0f, values)), VST3_OK);
    std::vector<float> in(32, 0.0f), out(32);
    host.process(in.data(), out.data(), 32, nullptr);
    expect_engine_values(host, values);

    // Values out of range are limited on the way in; bypass snaps at 0.5.
    const float wild[ENGINE_PARAM_COUNT] = {-5.0f, 1e9f, INFINITY, -INFINITY, 250.0f, 0.5f};
    const float limited[ENGINE_PARAM_COUNT] = {0.0f, 100.0f, 100.0f, 0.0f, 200.0f, 1.0f};
    ASSERT_EQ(set_state(host.component, document("lv2", 0.0f, wild)), VST3_OK);
    host.process(in.data(), out.data(), 32, nullptr);
    expect_engine_values(host, limited);
    ASSERT_EQ(set_state(host.component, minimal_document(4)), VST3_OK);
}

TEST(Vst3State, RefusedDocumentsChangeNothing)
{
    std::vector<uint8_t> good = saved_blob();
    const float nan_bits = NAN;
    float drive = 25.0f;
    uint8_t drive_record[13] = {5, 0, 0, 0, 4, 0, 0, 0, 'd', 'r', 'i', 'v', 'e'};
    uint8_t nan_record[17], drive_value[17];
    memcpy(drive_value, drive_record, 13);
    memcpy(drive_value + 13, &drive, 4);
    memcpy(nan_record, drive_record, 13);
    memcpy(nan_record + 13, &nan_bits, 4);
    struct Case {
        const char* what;
        std::vector<uint8_t> blob;
    } cases[] = {
        {"empty stream", {}},
        {"not an archive", std::vector<uint8_t>(5632, 0x41)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.begin() + 3000)},
        {"another plug-in's id", patched(good, "wyrel-brolt", "wyrel-brolx", 11)},
        {"drive is NaN", patched(good, drive_value, nan_record, 17)},
        {"drive missing", patched(good, "drive", "drivf", 5)},
        {"drive of 3 bytes", minimal_document(3)},
        {"drive of 8 bytes", minimal_document(8)},
    };
    HostProcessor host;
    host.start(48000);
    std::vector<uint8_t> before = get_state(host.component);
    Vst3EditController* controller = host_create_controller();
    ASSERT_NE(controller, nullptr);
    Vst3FUnknown context;
    controller->vtbl->initialize(controller, &context);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(set_state(host.component, c.blob), VST3_FALSE);
        EXPECT_EQ(host_processor_record(host.component)->exchange.restored, 0);
        EXPECT_EQ(get_state(host.component), before);
        MemoryStream stream(c.blob);
        EXPECT_EQ(controller->vtbl->set_component_state(controller, stream.stream()), VST3_FALSE);
        EXPECT_EQ(controller->vtbl->get_param_normalized(controller, vst3_param_ids[0]), 0.5);
    }
    MemoryStream broken(good);
    broken.fail_seek = 1;
    EXPECT_EQ(host.component->vtbl->set_state(host.component, broken.stream()), VST3_FALSE);
    EXPECT_EQ(controller->vtbl->set_component_state(controller, broken.stream()), VST3_FALSE);
    EXPECT_EQ(controller->vtbl->set_component_state(controller, nullptr), VST3_FALSE);
    const float defaults[ENGINE_PARAM_COUNT] = {50, 50, 50, 100, 100, 0};
    expect_engine_values(host, defaults);
    controller->vtbl->release(controller);
}

TEST(Vst3State, ControllerTakesTheComponentState)
{
    Vst3EditController* c = host_create_controller();
    ASSERT_NE(c, nullptr);
    Vst3FUnknown context;
    c->vtbl->initialize(c, &context);
    MemoryStream stream(saved_blob(), 100);
    ASSERT_EQ(c->vtbl->set_component_state(c, stream.stream()), VST3_OK);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        double normalized = (saved_values[i] - engine_params[i].minimum) /
                            (double)(engine_params[i].maximum - engine_params[i].minimum);
        EXPECT_EQ(c->vtbl->get_param_normalized(c, vst3_param_ids[i]), normalized);
    }
    c->vtbl->release(c);
}

TEST(Vst3State, LoadCallsBackOnceForAWholeDocument)
{
    struct Log {
        std::string calls;
        std::vector<float> values;
    } log;
    state_load_callbacks callbacks = {
        &log,
        [](void* u) { ((Log*)u)->calls += "L"; },
        [](void* u) { ((Log*)u)->calls += "U"; },
        [](void* u, int32_t i, float v) {
            ((Log*)u)->calls += (char)('0' + i);
            ((Log*)u)->values.push_back(v);
        },
    };
    std::vector<uint8_t> blob = saved_blob();
    ASSERT_EQ(vst3_state_load(blob.data(), (int64_t)blob.size(), &callbacks), 0);
    EXPECT_EQ(log.calls, "L012345U");
    EXPECT_EQ(log.values, std::vector<float>(saved_values, saved_values + ENGINE_PARAM_COUNT));
    log.calls.clear();
    std::vector<uint8_t> bad = minimal_document(3);
    EXPECT_EQ(vst3_state_load(bad.data(), (int64_t)bad.size(), &callbacks), -1);
    EXPECT_EQ(vst3_state_load(nullptr, 0, &callbacks), -1);
    EXPECT_EQ(log.calls, "");
}

// A restore before activation is in place for the first block, with no
// glide from the old values.
TEST(Vst3State, RestoreBeforeActivationStartsOnTheRestoredValues)
{
    std::vector<uint8_t> blob = saved_blob();
    HostProcessor host;
    Vst3Component* c = host.component;
    Vst3FUnknown context;
    ASSERT_EQ(c->vtbl->initialize(c, &context), VST3_OK);
    ASSERT_EQ(set_state(c, blob), VST3_OK);
    Vst3ProcessSetup setup = {0, VST3_SAMPLE32, 256, 44100};
    host.audio->vtbl->setup_processing(host.audio, &setup);
    c->vtbl->activate_bus(c, VST3_AUDIO, VST3_INPUT, 0, 1);
    c->vtbl->activate_bus(c, VST3_AUDIO, VST3_OUTPUT, 0, 1);
    ASSERT_EQ(c->vtbl->set_active(c, 1), VST3_OK);
    std::vector<float> in(256), out(256), want(256);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (float)((i * 37) % 100) / 100.0f - 0.5f;
    host.process(in.data(), out.data(), 256, nullptr);
    expect_engine_values(host, saved_values);

    Engine ref;
    engine_init(&ref);
    engine_set_sample_rate(&ref, 44100.0f);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        engine_set_parameter(&ref, i, saved_values[i]);
    engine_reset(&ref);
    uint32_t saved = denormal_guard_enter();
    engine_process(&ref, in.data(), want.data(), 256);
    denormal_guard_leave(saved);
    EXPECT_EQ(out, want);
}

// setState and getState on the main thread while the audio thread
// processes: nothing tears, and the last restore wins.
TEST(Vst3State, SetStateWhileProcessing)
{
    const float other[ENGINE_PARAM_COUNT] = {90.0f, 10.0f, 70.0f, 20.0f, 30.0f, 0.0f};
    std::vector<uint8_t> blobs[2] = {document("vst3", 48000.0f, other), saved_blob()};
    HostProcessor host;
    host.start(48000);
    std::atomic<int> stop(0);
    std::atomic<int> blocks(0);
    std::thread audio([&] {
        std::vector<float> in(64, 0.25f), out(64);
        // Bounded, whatever the main thread does.
        for (int i = 0; i < 200000 && !stop.load(); i++) {
            ParamChanges changes;
            host.process(in.data(), out.data(), 64, changes.changes());
            blocks++;
        }
    });
    // At least 200 rounds and until the audio thread has run a while
    // alongside; ends on the second blob.
    int round = 0;
    int start = -1;
    while (round < 20000 && (round < 200 || start < 0 || blocks.load() - start < 2000 || round % 2 == 1)) {
        if (start < 0 && blocks.load() > 0)
            start = blocks.load();
        ASSERT_EQ(set_state(host.component, blobs[round % 2]), VST3_OK);
        std::vector<uint8_t> got = get_state(host.component);
        ASSERT_TRUE(got == blobs[0] || got == blobs[1]) << round;
        round++;
    }
    stop = 1;
    audio.join();
    EXPECT_GE(blocks.load(), 2000);
    std::vector<float> in(64, 0.25f), out(64);
    host.process(in.data(), out.data(), 64, nullptr);
    expect_engine_values(host, saved_values);
}

}  // namespace
