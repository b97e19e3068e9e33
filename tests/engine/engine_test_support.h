// Helpers shared by the engine tests.
#pragma once

#include <stdint.h>
#include <string.h>

#include <vector>

#include "engine/denormal_guard.h"
#include "engine/engine.h"

// M_PI is not in strict ISO C++ (the Windows build has none).
const double test_pi = 3.14159265358979323846;

// The engine's results assume flush-to-zero, as in the bindings' callbacks:
// every test that runs signal through it holds one of these.
struct DenormalScope {
    uint32_t saved;
    DenormalScope() : saved(denormal_guard_enter()) {}
    ~DenormalScope() { denormal_guard_leave(saved); }
};

inline Engine ready_engine(float fs)
{
    Engine e;
    engine_init(&e);
    engine_set_sample_rate(&e, fs);
    engine_reset(&e);
    return e;
}

// Deterministic noise in [-amplitude, amplitude).
inline std::vector<float> noise(size_t n, float amplitude, uint32_t seed = 12345)
{
    std::vector<float> x(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = (float)(int32_t)seed * (amplitude / 2147483648.0f);
    }
    return x;
}

inline std::vector<float> run(Engine* e, const std::vector<float>& in)
{
    std::vector<float> out(in.size());
    engine_process(e, in.data(), out.data(), (uint32_t)in.size());
    return out;
}

inline bool same_bits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// FNV-1a over bytes, continuing from h.
inline uint64_t fnv1a(const void* data, size_t size, uint64_t h = 0xcbf29ce484222325ull)
{
    const unsigned char* p = (const unsigned char*)data;
    for (size_t i = 0; i < size; i++) {
        h ^= p[i];
        h *= 0x100000001b3ull;
    }
    return h;
}
