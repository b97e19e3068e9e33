// A WAV rendered through the loaded module equals brolt-render's native
// output bit for bit: same engine, same parameter order, whatever the
// compiler and the block size.
#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <iterator>

#include "tests/vst3/host.h"

namespace {

// The samples of a mono 32-bit float WAV, or none.
std::vector<float> read_float_wav(const char* path, uint32_t* rate)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    std::vector<float> samples;
    if (bytes.size() < 12 || memcmp(&bytes[0], "RIFF", 4) != 0 || memcmp(&bytes[8], "WAVE", 4) != 0)
        return samples;
    uint16_t channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size;
        memcpy(&size, &bytes[at + 4], 4);
        if (at + 8 + size > bytes.size())
            break;
        const uint8_t* chunk = &bytes[at + 8];
        if (memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
            memcpy(&channels, chunk + 2, 2);
            memcpy(rate, chunk + 4, 4);
            memcpy(&bits, chunk + 14, 2);
        } else if (memcmp(&bytes[at], "data", 4) == 0 && channels == 1 && bits == 32) {
            samples.resize(size / 4);
            memcpy(samples.data(), chunk, samples.size() * 4);
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

TEST(Vst3Render, EqualsTheNativeRenderer)
{
    uint32_t rate = 0, reference_rate = 0;
    std::vector<float> in = read_float_wav(BROLT_RENDER_INPUT, &rate);
    std::vector<float> reference = read_float_wav(BROLT_RENDER_REFERENCE, &reference_rate);
    ASSERT_FALSE(in.empty()) << BROLT_RENDER_INPUT;
    ASSERT_EQ(reference.size(), in.size()) << BROLT_RENDER_REFERENCE;
    ASSERT_EQ(reference_rate, rate);

    // The values brolt-render was given, as a host sets them before
    // activation: one flush with a point per parameter.
    const float values[ENGINE_PARAM_COUNT] = {BROLT_RENDER_VALUES};
    HostProcessor host;
    ASSERT_NE(host.component, nullptr);
    Vst3Component* c = host.component;
    Vst3FUnknown context;
    ASSERT_EQ(c->vtbl->initialize(c, &context), VST3_OK);
    Vst3ProcessSetup setup = {2, VST3_SAMPLE32, 512, (double)rate};
    host.audio->vtbl->setup_processing(host.audio, &setup);
    ParamChanges changes;
    host_queue_values(&changes, values);
    Vst3ProcessData flush = {};
    flush.input_parameter_changes = changes.changes();
    host.audio->vtbl->process(host.audio, &flush);
    c->vtbl->activate_bus(c, VST3_AUDIO, VST3_INPUT, 0, 1);
    c->vtbl->activate_bus(c, VST3_AUDIO, VST3_OUTPUT, 0, 1);
    ASSERT_EQ(c->vtbl->set_active(c, 1), VST3_OK);

    std::vector<float> out(in.size());
    const size_t block = 500;  // not brolt-render's block size
    for (size_t at = 0; at < in.size(); at += block) {
        size_t n = in.size() - at < block ? in.size() - at : block;
        host.process(&in[at], &out[at], (int32_t)n, nullptr);
    }
    size_t first_difference = 0;
    while (first_difference < out.size() &&
           memcmp(&out[first_difference], &reference[first_difference], 4) == 0)
        first_difference++;
    EXPECT_EQ(first_difference, out.size())
        << "first different sample: " << out[first_difference] << " instead of "
        << reference[first_difference];
}

}  // namespace
