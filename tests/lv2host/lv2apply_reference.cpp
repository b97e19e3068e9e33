// The engine's own rendering of a file, to compare lv2apply's output with.
//   lv2apply_reference make IN.wav
//       writes a 48 kHz mono 32-bit float test signal
//   lv2apply_reference compare IN.wav OUT.wav DRIVE TONE HEAT MIX VOLUME ENABLED
//       runs the engine over IN.wav with those control values and checks
//       that OUT.wav holds exactly the same samples, bit for bit
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sndfile.h>

#include <vector>

#include "engine/engine.h"

static const int RATE = 48000;
static const int FRAMES = RATE / 2;

static int make(const char* path)
{
    std::vector<float> signal(FRAMES);
    uint32_t noise = 12345;
    for (int i = 0; i < FRAMES; i++) {
        noise = noise * 1664525u + 1013904223u;
        double t = (double)i / RATE;
        // A rising sine with some noise, peaking well above full scale.
        signal[i] = (float)(1.5 * t * 2.0 * sin(2.0 * M_PI * 220.0 * t) +
                            0.05 * ((double)(noise >> 8) / 16777216.0 - 0.5));
    }
    SF_INFO info = {};
    info.samplerate = RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path, SFM_WRITE, &info);
    if (!f)
        return 1;
    // Keep samples above 1.0 as they are.
    sf_command(f, SFC_SET_CLIPPING, NULL, SF_FALSE);
    sf_count_t n = sf_writef_float(f, signal.data(), FRAMES);
    sf_close(f);
    return n == FRAMES ? 0 : 1;
}

static bool read_all(const char* path, std::vector<float>& out, SF_INFO& info)
{
    info = SF_INFO{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (!f) {
        fprintf(stderr, "cannot read %s: %s\n", path, sf_strerror(NULL));
        return false;
    }
    out.resize((size_t)(info.frames * info.channels));
    sf_count_t n = sf_readf_float(f, out.data(), info.frames);
    sf_close(f);
    return n == info.frames;
}

static int compare(char** argv)
{
    std::vector<float> in, out;
    SF_INFO in_info, out_info;
    if (!read_all(argv[2], in, in_info) || !read_all(argv[3], out, out_info))
        return 1;
    if (out_info.channels != 1 || (out_info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT ||
        out_info.samplerate != in_info.samplerate) {
        fprintf(stderr, "output is not a mono float file at the input's rate\n");
        return 1;
    }
    if (out.size() != in.size()) {
        fprintf(stderr, "output has %zu samples, input %zu\n", out.size(), in.size());
        return 1;
    }
    Engine engine;
    engine_init(&engine);
    engine_set_sample_rate(&engine, (float)in_info.samplerate);
    for (int i = 0; i < 5; i++)
        engine_set_parameter(&engine, i, strtof(argv[4 + i], NULL));
    engine_set_parameter(&engine, ENGINE_PARAM_BYPASS, strtof(argv[9], NULL) > 0.0f ? 0.0f : 1.0f);
    engine_reset(&engine);
    std::vector<float> expected(in.size());
    engine_process(&engine, in.data(), expected.data(), (uint32_t)in.size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < in.size(); i++) {
        if (memcmp(&expected[i], &out[i], sizeof(float)) != 0) {
            if (!differing)
                first = i;
            differing++;
        }
    }
    if (differing) {
        fprintf(stderr, "%zu of %zu samples differ, first at %zu: %.9g, engine %.9g\n",
                differing, in.size(), first, out[first], expected[first]);
        return 1;
    }
    printf("%zu samples equal bit for bit\n", in.size());
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "make") == 0)
        return make(argv[2]);
    if (argc == 10 && strcmp(argv[1], "compare") == 0)
        return compare(argv);
    fprintf(stderr, "usage: lv2apply_reference make IN | compare IN OUT V0..V5\n");
    return 2;
}
