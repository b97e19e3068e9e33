// Engine speed per host sample and as a multiple of real time on one core:
// with settled parameters, and with drive and tone automated every block of
// 64 samples (a slow sweep, as a host would send it). The plain reading
// (every coefficient update every sample) is measured for comparison.
#include <benchmark/benchmark.h>

#include <math.h>

#include <vector>

#include "engine/denormal_guard.h"
#include "engine/engine.h"

namespace {

const size_t BLOCK = 64;
const size_t SECONDS_OF_SIGNAL = 1;

typedef void (*ProcessFn)(Engine*, const float*, float*, uint32_t);

void run(benchmark::State& state, ProcessFn process, bool automate)
{
    float fs = (float)state.range(0);
    size_t n = (size_t)fs * SECONDS_OF_SIGNAL;
    std::vector<float> in(n), out(n);
    for (size_t i = 0; i < n; i++)
        in[i] = 0.5f * (float)sin(2.0 * M_PI * 110.0 * (double)i / fs);

    Engine engine;
    engine_init(&engine);
    engine_set_parameter(&engine, ENGINE_PARAM_DRIVE, 70.0f);
    engine_set_parameter(&engine, ENGINE_PARAM_TONE, 40.0f);
    engine_set_sample_rate(&engine, fs);
    engine_reset(&engine);

    uint32_t guard = denormal_guard_enter();
    size_t block_index = 0;
    for (auto _ : state) {
        for (size_t pos = 0; pos < n; pos += BLOCK, block_index++) {
            if (automate) {
                // A 0.5 Hz sweep over most of each range.
                double phase = (double)(block_index * BLOCK) / fs * 0.5;
                float sweep = (float)(0.5 + 0.45 * sin(2.0 * M_PI * phase));
                engine_set_parameter(&engine, ENGINE_PARAM_DRIVE, 100.0f * sweep);
                engine_set_parameter(&engine, ENGINE_PARAM_TONE, 100.0f * (1.0f - sweep));
            }
            uint32_t count = (uint32_t)(n - pos < BLOCK ? n - pos : BLOCK);
            process(&engine, in.data() + pos, out.data() + pos, count);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    denormal_guard_leave(guard);

    double samples = (double)state.iterations() * (double)n;
    state.SetItemsProcessed((int64_t)samples);
    // Rates are taken over the CPU time of this one thread: seconds per host
    // sample (shown as ns) and seconds of audio per second of work.
    state.counters["per_sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(samples / fs, benchmark::Counter::kIsRate);
}

void settled(benchmark::State& s) { run(s, engine_process, false); }
void automated(benchmark::State& s) { run(s, engine_process, true); }
void settled_plain(benchmark::State& s) { run(s, engine_process_plain, false); }
void automated_plain(benchmark::State& s) { run(s, engine_process_plain, true); }

}  // namespace

BENCHMARK(settled)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);
BENCHMARK(automated)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);
BENCHMARK(settled_plain)->Arg(48000)->Unit(benchmark::kMillisecond);
BENCHMARK(automated_plain)->Arg(48000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
