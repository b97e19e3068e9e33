// The audio processor through its interfaces: identity and counting,
// buses, activation, process with host parameter queues, and the loose call
// orders hosts use. Audio is compared bit for bit with the engine linked
// into this program, driven the way the processor must drive it.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <vector>

#include "engine/denormal_guard.h"
#include "tests/vst3/host.h"

namespace {

// MXCSR without its sticky exception flags (bits 0 to 5).
const uint32_t MXCSR_CONTROL = ~0x3Fu;

const vst3_param_id DRIVE = 1955105482u;
const vst3_param_id TONE = 1278044914u;
const vst3_param_id VOLUME = 115099194u;
const vst3_param_id BYPASS = 150732888u;

std::vector<float> test_signal(size_t n, uint32_t seed)
{
    std::vector<float> x(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = (float)((int32_t)(seed >> 8) - (1 << 23)) / (float)(1 << 23) * 0.8f;
    }
    return x;
}

// The engine as the processor should run it.
struct Reference {
    Engine engine;
    explicit Reference(float fs)
    {
        engine_init(&engine);
        engine_set_sample_rate(&engine, fs);
        engine_reset(&engine);
    }
    void process(const float* in, float* out, uint32_t n)
    {
        uint32_t saved = denormal_guard_enter();
        engine_process(&engine, in, out, n);
        denormal_guard_leave(saved);
    }
};

TEST(Vst3Processor, QueryInterfaceFromEveryInterfaceAndCounting)
{
    Vst3Component* component = host_create_processor();
    ASSERT_NE(component, nullptr);
    void* interfaces[4] = {
        component,
        host_query(component, vst3_iid_audio_processor),
        host_query(component, vst3_iid_process_context_requirements),
        host_query(component, vst3_iid_connection_point),
    };
    for (int k = 1; k < 4; k++)
        ASSERT_EQ(interfaces[k], (char*)component + k * sizeof(void*));
    // count: 1 + 3 queries
    struct Asked {
        const uint8_t* iid;
        int k;
    } asked[] = {
        {vst3_iid_funknown, 0},         {vst3_iid_plugin_base, 0},
        {vst3_iid_component, 0},        {vst3_iid_audio_processor, 1},
        {vst3_iid_process_context_requirements, 2}, {vst3_iid_connection_point, 3},
    };
    int32_t count = 4;
    for (void* through : interfaces) {
        for (const Asked& a : asked) {
            EXPECT_EQ(host_query(through, a.iid), interfaces[a.k]);
            count++;
        }
        void* obj = through;
        Vst3FUnknown* unknown = (Vst3FUnknown*)through;
        EXPECT_EQ(unknown->vtbl->query_interface(unknown, vst3_iid_edit_controller, &obj),
                  VST3_NO_INTERFACE);
        EXPECT_EQ(obj, nullptr);
        EXPECT_EQ(unknown->vtbl->add_ref(unknown), (uint32_t)count + 1);
        EXPECT_EQ(unknown->vtbl->release(unknown), (uint32_t)count);
    }
    // Down to zero through all four interfaces in turn.
    for (int32_t left = count - 1; left >= 0; left--) {
        Vst3FUnknown* unknown = (Vst3FUnknown*)interfaces[left % 4];
        EXPECT_EQ(unknown->vtbl->release(unknown), (uint32_t)left);
    }
}

TEST(Vst3Processor, ComponentAndBusCalls)
{
    HostProcessor host;
    Vst3Component* c = host.component;
    Vst3AudioProcessor* a = host.audio;
    ASSERT_NE(a, nullptr);
    Vst3FUnknown context;
    EXPECT_EQ(c->vtbl->initialize(c, &context), VST3_OK);
    EXPECT_EQ(c->vtbl->initialize(c, &context), VST3_FALSE);
    EXPECT_EQ(host_processor_record(c)->context, &context);

    uint8_t cid[16] = {};
    EXPECT_EQ(c->vtbl->get_controller_class_id(c, cid), VST3_OK);
    EXPECT_EQ(memcmp(cid, vst3_class_facts[VST3_CLASS_CONTROLLER].cid, 16), 0);
    EXPECT_EQ(c->vtbl->get_controller_class_id(c, nullptr), VST3_FALSE);
    EXPECT_EQ(c->vtbl->set_io_mode(c, 0), VST3_NOT_IMPLEMENTED);
    EXPECT_EQ(c->vtbl->get_routing_info(c, nullptr, nullptr), VST3_NOT_IMPLEMENTED);

    EXPECT_EQ(c->vtbl->get_bus_count(c, VST3_AUDIO, VST3_INPUT), 1);
    EXPECT_EQ(c->vtbl->get_bus_count(c, VST3_AUDIO, VST3_OUTPUT), 1);
    EXPECT_EQ(c->vtbl->get_bus_count(c, VST3_EVENT, VST3_INPUT), 0);
    EXPECT_EQ(c->vtbl->get_bus_count(c, VST3_AUDIO, 2), 0);
    // Hosts ask on every cycle.
    for (int cycle = 0; cycle < 3; cycle++) {
        for (int32_t dir : {VST3_INPUT, VST3_OUTPUT}) {
            Vst3BusInfo bus;
            memset(&bus, 0x77, sizeof bus);
            ASSERT_EQ(c->vtbl->get_bus_info(c, VST3_AUDIO, dir, 0, &bus), VST3_OK);
            EXPECT_EQ(bus.media_type, VST3_AUDIO);
            EXPECT_EQ(bus.direction, dir);
            EXPECT_EQ(bus.channel_count, 1);
            EXPECT_EQ(host_narrow(bus.name), dir == VST3_INPUT ? "Input" : "Output");
            EXPECT_EQ(bus.bus_type, VST3_MAIN_BUS);
            EXPECT_EQ(bus.flags, (uint32_t)VST3_DEFAULT_ACTIVE);
            vst3_speaker_arrangement arr = 0;
            EXPECT_EQ(a->vtbl->get_bus_arrangement(a, dir, 0, &arr), VST3_OK);
            EXPECT_EQ(arr, VST3_SPEAKER_MONO);
        }
    }
    Vst3BusInfo bus;
    EXPECT_EQ(c->vtbl->get_bus_info(c, VST3_EVENT, VST3_INPUT, 0, &bus), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->get_bus_info(c, VST3_AUDIO, VST3_INPUT, -1, &bus), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->get_bus_info(c, VST3_AUDIO, VST3_INPUT, 1, &bus), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->get_bus_info(c, VST3_AUDIO, 2, 0, &bus), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->activate_bus(c, VST3_EVENT, VST3_INPUT, 0, 1), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->activate_bus(c, VST3_AUDIO, VST3_INPUT, -1, 1), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(c->vtbl->activate_bus(c, VST3_AUDIO, 2, 0, 1), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(host_processor_record(c)->input_active, 0);

    vst3_speaker_arrangement mono = VST3_SPEAKER_MONO, stereo = 3, arr = 0;
    vst3_speaker_arrangement monos[2] = {mono, mono};
    EXPECT_EQ(a->vtbl->set_bus_arrangements(a, &mono, 1, &mono, 1), VST3_OK);
    EXPECT_EQ(a->vtbl->set_bus_arrangements(a, &stereo, 1, &stereo, 1), VST3_FALSE);
    EXPECT_EQ(a->vtbl->set_bus_arrangements(a, monos, 2, &mono, 1), VST3_FALSE);
    EXPECT_EQ(a->vtbl->set_bus_arrangements(a, &mono, -1, &mono, 1), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(a->vtbl->get_bus_arrangement(a, VST3_OUTPUT, 0, &arr), VST3_OK);
    EXPECT_EQ(arr, VST3_SPEAKER_MONO);
    EXPECT_EQ(a->vtbl->get_bus_arrangement(a, VST3_OUTPUT, 1, &arr), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(a->vtbl->can_process_sample_size(a, VST3_SAMPLE32), VST3_TRUE);
    EXPECT_EQ(a->vtbl->can_process_sample_size(a, VST3_SAMPLE64), VST3_NOT_IMPLEMENTED);
    EXPECT_EQ(a->vtbl->get_latency_samples(a), 0u);
    EXPECT_EQ(a->vtbl->get_tail_samples(a), 0u);
    EXPECT_EQ(a->vtbl->set_processing(a, 1), VST3_NOT_IMPLEMENTED);

    auto* req = (Vst3ProcessContextRequirements*)host_query(c, vst3_iid_process_context_requirements);
    EXPECT_EQ(req->vtbl->get_process_context_requirements(req), 0u);
    req->vtbl->release(req);
    auto* cp = (Vst3ConnectionPoint*)host_query(c, vst3_iid_connection_point);
    EXPECT_EQ(cp->vtbl->connect(cp, nullptr), VST3_INVALID_ARGUMENT);
    EXPECT_EQ(cp->vtbl->connect(cp, cp), VST3_OK);
    EXPECT_EQ(cp->vtbl->notify(cp, nullptr), VST3_OK);
    EXPECT_EQ(cp->vtbl->disconnect(cp, cp), VST3_OK);
    cp->vtbl->release(cp);

    EXPECT_EQ(c->vtbl->terminate(c), VST3_OK);
    EXPECT_EQ(c->vtbl->initialize(c, &context), VST3_OK) << "initialize again after terminate";
}

// Through the module at the rates hosts use, with parameter changes, the
// output equals the engine's, and the caller's MXCSR survives.
TEST(Vst3Processor, ProcessEqualsTheEngineAtHostRates)
{
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        SCOPED_TRACE(fs);
        HostProcessor host;
        host.start(fs);
        Reference ref((float)fs);
        std::vector<float> in = test_signal(4096, 7);
        std::vector<float> got(in.size()), want(in.size());
        const int32_t block = 256;
        for (int32_t b = 0; b * block < (int32_t)in.size(); b++) {
            ParamChanges changes;
            if (b == 3) {
                changes.queues.emplace_back(DRIVE, std::vector<std::pair<int32_t, double>>{{0, 0.9}});
                changes.queues.emplace_back(TONE, std::vector<std::pair<int32_t, double>>{{0, 0.2}});
                engine_set_parameter(&ref.engine, ENGINE_PARAM_DRIVE, 90.0f);
                engine_set_parameter(&ref.engine, ENGINE_PARAM_TONE, 20.0f);
            }
            if (b == 9) {
                changes.queues.emplace_back(BYPASS, std::vector<std::pair<int32_t, double>>{{0, 1.0}});
                engine_set_parameter(&ref.engine, ENGINE_PARAM_BYPASS, 1.0f);
            }
            _mm_setcsr(0x1F80);
            host.process(&in[(size_t)(b * block)], &got[(size_t)(b * block)], block, changes.changes());
            EXPECT_EQ(_mm_getcsr() & MXCSR_CONTROL, 0x1F80u);
            ref.process(&in[(size_t)(b * block)], &want[(size_t)(b * block)], block);
        }
        EXPECT_EQ(memcmp(got.data(), want.data(), got.size() * sizeof(float)), 0);
        // In place, as some hosts call it.
        HostProcessor again;
        again.start(fs);
        Reference ref2((float)fs);
        std::vector<float> buffer = in, want2(in.size());
        again.process(buffer.data(), buffer.data(), (int32_t)buffer.size(), nullptr);
        ref2.process(in.data(), want2.data(), (uint32_t)in.size());
        EXPECT_EQ(memcmp(buffer.data(), want2.data(), buffer.size() * sizeof(float)), 0);
    }
    HostProcessor host;
    host.start(48000);
    std::vector<float> in = test_signal(64, 3), out(64);
    _mm_setcsr(0x1F80 | DENORMAL_GUARD_BITS);
    host.process(in.data(), out.data(), 64, nullptr);
    EXPECT_EQ(_mm_getcsr() & MXCSR_CONTROL, 0x1F80u | DENORMAL_GUARD_BITS);
    _mm_setcsr(0x1F80);
}

struct QueueCase {
    const char* what;
    vst3_param_id id;
    std::vector<std::pair<int32_t, double>> points;
    int32_t index;
    float before;  // engine value for the block itself
    float after;   // engine value once process returned
};

TEST(Vst3Processor, ParameterQueuesAtTheBlockEdges)
{
    const QueueCase cases[] = {
        {"offset 17 applies after the block", DRIVE, {{17, 0.2}}, 0, 50.0f, 20.0f},
        {"0, 10, 40: first before, last after", DRIVE, {{0, 0.1}, {10, 0.6}, {40, 0.3}}, 0, 10.0f, 30.0f},
        {"only offset 0", VOLUME, {{0, 0.25}}, 4, 50.0f, 50.0f},
        {"bypass 0.5 is on", BYPASS, {{0, 0.5}}, 5, 1.0f, 1.0f},
        {"bypass 0.49 is off", BYPASS, {{0, 1.0}, {30, 0.49}}, 5, 1.0f, 0.0f},
        {"drive 1.5 is clamped", DRIVE, {{0, 1.5}}, 0, 100.0f, 100.0f},
        {"drive -0.5 is clamped", DRIVE, {{0, -0.5}}, 0, 0.0f, 0.0f},
        {"NaN is dropped", DRIVE, {{0, NAN}, {20, NAN}}, 0, 50.0f, 50.0f},
        {"unknown id changes nothing", 12345u, {{0, 0.9}, {20, 0.1}}, 0, 50.0f, 50.0f},
        {"an empty queue changes nothing", DRIVE, {}, 0, 50.0f, 50.0f},
    };
    for (const QueueCase& c : cases) {
        SCOPED_TRACE(c.what);
        HostProcessor host;
        host.start(48000);
        Reference ref(48000.0f);
        ParamChanges changes;
        changes.queues.emplace_back(c.id, c.points);
        changes.include_null = 1;
        std::vector<float> in = test_signal(64, 11), out(64), want(64);
        host.process(in.data(), out.data(), 64, changes.changes());
        EXPECT_EQ(host.engine_value(c.index), c.after);
        for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
            if (i != c.index) {
                EXPECT_EQ(host.engine_value(i), engine_params[i].default_value);
            }
        }
        engine_set_parameter(&ref.engine, c.index, c.before);
        ref.process(in.data(), want.data(), 64);
        EXPECT_EQ(memcmp(out.data(), want.data(), sizeof(float) * 64), 0);
        // The next block runs on the value taken after the first.
        ParamChanges none;
        host.process(in.data(), out.data(), 64, none.changes());
        engine_set_parameter(&ref.engine, c.index, c.after);
        ref.process(in.data(), want.data(), 64);
        EXPECT_EQ(memcmp(out.data(), want.data(), sizeof(float) * 64), 0);
    }
}

// Buffers with guard samples on both sides, so a write past them shows.
struct GuardedBuffer {
    std::vector<float> data;
    explicit GuardedBuffer(size_t n, float fill) : data(n + 16, 12345.0f)
    {
        for (size_t i = 0; i < n; i++)
            data[8 + i] = fill;
    }
    float* samples() { return &data[8]; }
    bool guards_intact() const
    {
        for (size_t i = 0; i < 8; i++)
            if (data[i] != 12345.0f || data[data.size() - 1 - i] != 12345.0f)
                return false;
        return true;
    }
};

TEST(Vst3Processor, OddBlocksNeverCrashNorWriteOutside)
{
    HostProcessor host;
    host.start(44100);
    Vst3AudioProcessor* a = host.audio;
    const int32_t n = 32;
    std::vector<float> in = test_signal(n, 5);

    // Stereo output: the mono result on both channels.
    {
        GuardedBuffer left(n, 9.0f), right(n, 9.0f), in2(n, 0.25f);
        float* ins[2] = {(float*)in.data(), in2.samples()};
        float* outs[2] = {left.samples(), right.samples()};
        Vst3AudioBusBuffers input = {2, 0, ins}, output = {2, 0, outs};
        Vst3ProcessData data = {};
        data.num_samples = n;
        data.num_inputs = 1;
        data.num_outputs = 1;
        data.inputs = &input;
        data.outputs = &output;
        EXPECT_EQ(a->vtbl->process(a, &data), VST3_OK);
        EXPECT_EQ(memcmp(left.samples(), right.samples(), n * sizeof(float)), 0);
        EXPECT_TRUE(left.guards_intact() && right.guards_intact());
    }
    // Null channel pointers, missing buses, no buses, negative counts.
    {
        GuardedBuffer out(n, 9.0f);
        float* null_channels[2] = {nullptr, nullptr};
        float* outs[1] = {out.samples()};
        Vst3AudioBusBuffers null_bus = {2, 0, null_channels};
        Vst3AudioBusBuffers no_array = {1, 0, nullptr};
        Vst3AudioBusBuffers output = {1, 0, outs};
        Vst3AudioBusBuffers zero_channels = {0, 0, outs};
        struct Shape {
            Vst3AudioBusBuffers* inputs;
            int32_t num_inputs;
            Vst3AudioBusBuffers* outputs;
            int32_t num_outputs;
            int32_t samples;
        } shapes[] = {
            {&null_bus, 1, &output, 1, n},   {&no_array, 1, &output, 1, n},
            {nullptr, 1, &output, 1, n},     {nullptr, 0, &output, 1, n},
            {&zero_channels, 1, &output, 1, n}, {&null_bus, 1, &null_bus, 1, n},
            {&no_array, 1, &no_array, 1, n}, {nullptr, 0, nullptr, 0, n},
            {nullptr, 3, nullptr, 3, n},     {&null_bus, 1, &output, 1, -7},
        };
        for (const Shape& s : shapes) {
            Vst3ProcessData data = {};
            data.num_samples = s.samples;
            data.num_inputs = s.num_inputs;
            data.num_outputs = s.num_outputs;
            data.inputs = s.inputs;
            data.outputs = s.outputs;
            EXPECT_EQ(a->vtbl->process(a, &data), VST3_OK);
            EXPECT_TRUE(out.guards_intact());
        }
        // Without an input the output is silence, not stale samples.
        EXPECT_EQ(out.samples()[0], 0.0f);
        EXPECT_EQ(a->vtbl->process(a, nullptr), VST3_OK);
    }
}

TEST(Vst3Processor, FlushTakesBothPasses)
{
    HostProcessor host;
    host.start(48000);
    ParamChanges changes;
    changes.queues.emplace_back(DRIVE, std::vector<std::pair<int32_t, double>>{{0, 0.7}});
    changes.queues.emplace_back(VOLUME, std::vector<std::pair<int32_t, double>>{{0, 0.1}, {5, 0.75}});
    Vst3ProcessData data = {};
    data.input_parameter_changes = changes.changes();
    EXPECT_EQ(host.audio->vtbl->process(host.audio, &data), VST3_OK);
    EXPECT_EQ(host.engine_value(ENGINE_PARAM_DRIVE), 70.0f);
    EXPECT_EQ(host.engine_value(ENGINE_PARAM_VOLUME), 150.0f);
}

TEST(Vst3Processor, SilentUntilBothBusesAndAValidRateAreActive)
{
    std::vector<float> in = test_signal(64, 9);
    struct Case {
        const char* what;
        bool setup;
        double fs;
        bool input;
        bool output;
    } cases[] = {
        {"output bus inactive", true, 48000, true, false},
        {"input bus inactive", true, 48000, false, true},
        {"no setupProcessing", false, 0, true, true},
        {"rate 0", true, 0, true, true},
        {"negative rate", true, -44100, true, true},
        {"NaN rate", true, NAN, true, true},
        {"infinite rate", true, INFINITY, true, true},
        {"rate beyond float", true, 1e300, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostProcessor host;
        Vst3Component* comp = host.component;
        Vst3FUnknown context;
        ASSERT_EQ(comp->vtbl->initialize(comp, &context), VST3_OK);
        if (c.setup) {
            Vst3ProcessSetup setup = {0, VST3_SAMPLE32, 512, c.fs};
            host.audio->vtbl->setup_processing(host.audio, &setup);
        }
        comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_INPUT, 0, c.input);
        comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_OUTPUT, 0, c.output);
        EXPECT_EQ(comp->vtbl->set_active(comp, 1), VST3_OK);
        std::vector<float> out(64, 3.0f);
        host.process(in.data(), out.data(), 64, nullptr);
        EXPECT_EQ(out, std::vector<float>(64, 0.0f));
        // Parameter changes are still taken.
        ParamChanges changes;
        changes.queues.emplace_back(DRIVE, std::vector<std::pair<int32_t, double>>{{0, 0.3}});
        host.process(in.data(), out.data(), 64, changes.changes());
        EXPECT_EQ(host.engine_value(ENGINE_PARAM_DRIVE), 30.0f);
        // A valid setup and a new activation bring the sound.
        Vst3ProcessSetup setup = {0, VST3_SAMPLE32, 512, 48000};
        host.audio->vtbl->setup_processing(host.audio, &setup);
        comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_INPUT, 0, 1);
        comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_OUTPUT, 0, 1);
        comp->vtbl->set_active(comp, 1);
        EXPECT_EQ(host_processor_record(comp)->active_sample_rate, 48000.0f);
        host.process(in.data(), out.data(), 64, nullptr);
        Reference ref(48000.0f);
        engine_set_parameter(&ref.engine, ENGINE_PARAM_DRIVE, 30.0f);
        engine_reset(&ref.engine);
        std::vector<float> want(64);
        ref.process(in.data(), want.data(), 64);
        EXPECT_EQ(out, want);
    }
}

TEST(Vst3Processor, LooseCallOrders)
{
    std::vector<float> in = test_signal(128, 4), out(128);
    // setActive(true) twice, then release without setActive(false) or terminate.
    Vst3Component* comp = host_create_processor();
    ASSERT_NE(comp, nullptr);
    auto* audio = (Vst3AudioProcessor*)host_query(comp, vst3_iid_audio_processor);
    Vst3FUnknown context;
    comp->vtbl->initialize(comp, &context);
    Vst3ProcessSetup setup = {0, VST3_SAMPLE32, 128, 96000};
    audio->vtbl->setup_processing(audio, &setup);
    comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_INPUT, 0, 1);
    comp->vtbl->activate_bus(comp, VST3_AUDIO, VST3_OUTPUT, 0, 1);
    EXPECT_EQ(comp->vtbl->set_active(comp, 1), VST3_OK);
    EXPECT_EQ(comp->vtbl->set_active(comp, 1), VST3_OK);
    float* ins[1] = {in.data()};
    float* outs[1] = {out.data()};
    Vst3AudioBusBuffers input = {1, 0, ins}, output = {1, 0, outs};
    Vst3ProcessData data = {};
    data.num_samples = 128;
    data.num_inputs = 1;
    data.num_outputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    EXPECT_EQ(audio->vtbl->process(audio, &data), VST3_OK);
    EXPECT_EQ(audio->vtbl->release(audio), 1u);
    EXPECT_EQ(comp->vtbl->release(comp), 0u);

    // process before any initialize or activation: silence, no crash.
    Vst3Component* bare = host_create_processor();
    auto* bare_audio = (Vst3AudioProcessor*)host_query(bare, vst3_iid_audio_processor);
    out.assign(128, 1.0f);
    EXPECT_EQ(bare_audio->vtbl->process(bare_audio, &data), VST3_OK);
    bare_audio->vtbl->release(bare_audio);
    bare->vtbl->release(bare);
}

}  // namespace
