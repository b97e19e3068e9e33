// The audio path allocates nothing: every allocation of the process is
// counted while engine_process runs (glibc only, where malloc can be
// replaced and still reach the real allocator).
#include <gtest/gtest.h>

#include "engine_test_support.h"

// Sanitizers bring their own allocator and are left alone.
#if defined(__GLIBC__) && !defined(BROLT_SANITIZED)

#include <stddef.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {
volatile int counting = 0;
volatile long allocations = 0;

void count()
{
    if (counting)
        allocations = allocations + 1;
}
}  // namespace

extern "C" void* malloc(size_t size)
{
    count();
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t n, size_t size)
{
    count();
    return __libc_calloc(n, size);
}

extern "C" void* realloc(void* p, size_t size)
{
    count();
    return __libc_realloc(p, size);
}

extern "C" void* memalign(size_t alignment, size_t size)
{
    count();
    return __libc_memalign(alignment, size);
}

TEST(EngineAudioPath, ProcessingAllocatesNothing)
{
    DenormalScope ftz;
    std::vector<float> in = noise(4096, 1.0f), out(in.size());
    for (float fs : {8000.0f, 48000.0f, 192000.0f}) {
        Engine e = ready_engine(fs);
        // The counter itself must see allocations, or a zero proves nothing.
        counting = 1;
        allocations = 0;
        void* volatile probe = malloc(16);
        free(probe);
        EXPECT_EQ(allocations, 1);
        allocations = 0;
        for (uint32_t pos = 0; pos < in.size(); pos += 256) {
            engine_set_parameter(&e, ENGINE_PARAM_DRIVE, (float)(pos % 100));
            engine_set_parameter(&e, ENGINE_PARAM_TONE, (float)(pos % 77));
            engine_process(&e, in.data() + pos, out.data() + pos, 256);
        }
        long seen = allocations;
        counting = 0;
        EXPECT_EQ(seen, 0) << fs;
    }
}

#endif
