// A plucked-string phrase made with the Karplus-Strong method: a burst of
// noise circulating in a delay line of one period, averaged a little on
// every pass so that the high partials die first, as on a real string.
#include "tools/brolt_render/demo_signal.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Note {
    double start_s;
    int midi;  // 40 = low E of a guitar
    double length_s;
};

// An E minor riff ending on a power chord, about 4.5 s.
const Note phrase[] = {
    {0.00, 40, 0.40}, {0.30, 47, 0.40}, {0.60, 52, 0.40}, {0.90, 50, 0.30},
    {1.20, 43, 0.40}, {1.50, 50, 0.40}, {1.80, 55, 0.40}, {2.10, 54, 0.30},
    {2.40, 45, 0.40}, {2.70, 52, 0.30}, {3.00, 40, 1.50}, {3.00, 47, 1.50},
    {3.00, 52, 1.50},
};

const double demo_seconds = 4.6;

void pluck(float* out, size_t total, const Note& note, uint32_t* seed)
{
    double freq = 440.0 * pow(2.0, (note.midi - 69) / 12.0);
    size_t period = (size_t)(DEMO_SAMPLE_RATE / freq + 0.5);
    float* line = (float*)calloc(period, sizeof(float));
    if (!line)
        return;
    for (size_t i = 0; i < period; i++) {
        *seed = *seed * 1664525u + 1013904223u;
        line[i] = (float)(int32_t)*seed / 2147483648.0f * 0.3f;
    }
    size_t start = (size_t)(note.start_s * DEMO_SAMPLE_RATE);
    size_t length = (size_t)(note.length_s * DEMO_SAMPLE_RATE);
    size_t fade = DEMO_SAMPLE_RATE / 50;  // 20 ms release, no click
    for (size_t i = 0; i < length && start + i < total; i++) {
        size_t j = i % period;
        float next = line[(j + 1) % period];
        float v = line[j];
        line[j] = 0.996f * 0.5f * (v + next);
        float gain = i + fade > length ? (float)(length - i) / (float)fade : 1.0f;
        out[start + i] += v * gain;
    }
    free(line);
}

}  // namespace

size_t demo_signal_length(void)
{
    return (size_t)(demo_seconds * DEMO_SAMPLE_RATE);
}

void demo_signal_render(float* out)
{
    size_t total = demo_signal_length();
    memset(out, 0, total * sizeof *out);
    uint32_t seed = 2024;
    for (const Note& note : phrase)
        pluck(out, total, note, &seed);
}
