// brolt-render: runs a sound file through the effect engine, each channel
// through its own engine instance, and writes 32-bit float WAV.
//
//   brolt-render in.wav out.wav [--drive 70] [--tone 40] [--heat 50]
//                [--mix 100] [--volume 100] [--bypass]
//   brolt-render --demo out.wav [same options]
//
// Every error ends the program with exit code 2 and one line on stderr.
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <sndfile.h>

#include "engine/denormal_guard.h"
#include "engine/engine.h"
#include "tools/brolt_render/demo_signal.h"

namespace {

const int EXIT_ERROR = 2;
const sf_count_t BLOCK_FRAMES = 4096;
const int MAX_CHANNELS = 64;
const double PROGRESS_AFTER_SECONDS = 5.0;

struct Options {
    const char* input;  // null with --demo
    const char* output;
    float values[ENGINE_PARAM_COUNT];
};

[[noreturn]] void fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("brolt-render: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(EXIT_ERROR);
}

void usage_line(FILE* f)
{
    fputs("usage: brolt-render (in.wav | --demo) out.wav [--drive N] [--tone N] [--heat N] "
          "[--mix N] [--volume N] [--bypass]\n",
          f);
}

// The parameter whose option is name ("--drive" ...), or -1.
int param_of_option(const char* name)
{
    if (strncmp(name, "--", 2) != 0)
        return -1;
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        if (strcmp(name + 2, engine_params[i].key) == 0)
            return i;
    return -1;
}

float parse_value(int index, const char* option, const char* text)
{
    const EngineParamInfo* info = &engine_params[index];
    char* end = NULL;
    float v = text ? strtof(text, &end) : 0.0f;
    if (!text || end == text || *end != '\0' || !isfinite(v))
        fail("%s needs a number from %g to %g", option, info->minimum, info->maximum);
    if (v < info->minimum || v > info->maximum)
        fail("%s %s is outside %g to %g", option, text, info->minimum, info->maximum);
    return v;
}

Options parse_arguments(int argc, char** argv)
{
    Options o = {};
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        o.values[i] = engine_params[i].default_value;
    int demo = 0;
    const char* files[2] = {NULL, NULL};
    int file_count = 0;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            usage_line(stdout);
            exit(0);
        }
        if (strcmp(a, "--demo") == 0) {
            demo = 1;
            continue;
        }
        if (strcmp(a, "--bypass") == 0) {
            o.values[ENGINE_PARAM_BYPASS] = 1.0f;
            continue;
        }
        int index = param_of_option(a);
        if (index >= 0 && index != ENGINE_PARAM_BYPASS) {
            o.values[index] = parse_value(index, a, i + 1 < argc ? argv[i + 1] : NULL);
            i++;
            continue;
        }
        if (a[0] == '-' && a[1] != '\0')
            fail("unknown option %s (see --help)", a);
        if (file_count == 2)
            fail("too many file names (see --help)");
        files[file_count++] = a;
    }
    if (file_count != (demo ? 1 : 2))
        fail(demo ? "--demo takes one file name, the output (see --help)"
                  : "needs an input and an output file (see --help)");
    o.input = demo ? NULL : files[0];
    o.output = demo ? files[0] : files[1];
    return o;
}

void engine_start(Engine* e, const float values[ENGINE_PARAM_COUNT], float fs)
{
    engine_init(e);
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        engine_set_parameter(e, i, values[i]);
    engine_set_sample_rate(e, fs);
    engine_reset(e);
}

SNDFILE* open_output(const char* path, int rate, int channels)
{
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path, SFM_WRITE, &info);
    if (!f)
        fail("cannot write %s: %s", path, sf_strerror(NULL));
    return f;
}

void write_frames(SNDFILE* f, const char* path, const float* frames, sf_count_t count)
{
    if (sf_writef_float(f, frames, count) != count)
        fail("cannot write %s: %s", path, sf_strerror(f));
}

int render_demo(const Options& o)
{
    size_t n = demo_signal_length();
    float* x = (float*)malloc(n * sizeof *x);
    if (!x)
        fail("out of memory");
    demo_signal_render(x);
    Engine e;
    engine_start(&e, o.values, (float)DEMO_SAMPLE_RATE);
    uint32_t guard = denormal_guard_enter();
    engine_process(&e, x, x, (uint32_t)n);
    denormal_guard_leave(guard);
    SNDFILE* out = open_output(o.output, DEMO_SAMPLE_RATE, 1);
    write_frames(out, o.output, x, (sf_count_t)n);
    sf_close(out);
    free(x);
    return 0;
}

int render_file(const Options& o)
{
    struct stat st;
    if (stat(o.input, &st) != 0)
        fail("cannot open %s: no such file", o.input);
    SF_INFO info = {};
    SNDFILE* in = sf_open(o.input, SFM_READ, &info);
    if (!in)
        fail("cannot read %s: %s", o.input, sf_strerror(NULL));
    if (info.channels < 1 || info.channels > MAX_CHANNELS || info.samplerate <= 0) {
        sf_close(in);
        fail("unsupported format in %s: %d channels at %d Hz", o.input, info.channels,
             info.samplerate);
    }
    int channels = info.channels;
    Engine* engines = (Engine*)malloc((size_t)channels * sizeof(Engine));
    float* frames = (float*)malloc((size_t)(BLOCK_FRAMES * channels) * sizeof(float));
    float* mono = (float*)malloc((size_t)BLOCK_FRAMES * sizeof(float));
    if (!engines || !frames || !mono)
        fail("out of memory");
    for (int c = 0; c < channels; c++)
        engine_start(&engines[c], o.values, (float)info.samplerate);
    SNDFILE* out = open_output(o.output, info.samplerate, channels);

    int show_progress = info.frames > (sf_count_t)(PROGRESS_AFTER_SECONDS * info.samplerate);
    sf_count_t done = 0;
    int last_percent = -1;
    for (;;) {
        sf_count_t got = sf_readf_float(in, frames, BLOCK_FRAMES);
        if (got <= 0)
            break;
        // The engine's results assume flush-to-zero, as in the plug-ins.
        uint32_t guard = denormal_guard_enter();
        for (int c = 0; c < channels; c++) {
            for (sf_count_t i = 0; i < got; i++)
                mono[i] = frames[i * channels + c];
            engine_process(&engines[c], mono, mono, (uint32_t)got);
            for (sf_count_t i = 0; i < got; i++)
                frames[i * channels + c] = mono[i];
        }
        denormal_guard_leave(guard);
        write_frames(out, o.output, frames, got);
        done += got;
        if (show_progress) {
            int percent = (int)(100 * done / info.frames);
            if (percent != last_percent) {
                fprintf(stderr, "\rbrolt-render: %3d%% of %.1f s", percent,
                        (double)info.frames / info.samplerate);
                last_percent = percent;
            }
        }
    }
    if (show_progress)
        fputc('\n', stderr);
    if (sf_error(in) != SF_ERR_NO_ERROR)
        fail("cannot read %s: %s", o.input, sf_strerror(in));
    sf_close(in);
    if (sf_close(out) != 0)
        fail("cannot write %s", o.output);
    free(mono);
    free(frames);
    free(engines);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o = parse_arguments(argc, argv);
    return o.input ? render_file(o) : render_demo(o);
}
