// Flush-to-zero and denormals-are-zero for the duration of one audio
// callback. The engine's results assume this mode.
#pragma once

#include <stdint.h>
#include <xmmintrin.h>

enum {
    DENORMAL_GUARD_FTZ = 0x8000,  // MXCSR bit 15
    DENORMAL_GUARD_DAZ = 0x0040,  // MXCSR bit 6
    DENORMAL_GUARD_BITS = DENORMAL_GUARD_FTZ | DENORMAL_GUARD_DAZ
};

// Switches both modes on and returns the caller's MXCSR.
static inline uint32_t denormal_guard_enter(void)
{
    uint32_t saved = _mm_getcsr();
    _mm_setcsr(saved | DENORMAL_GUARD_FTZ);
    _mm_setcsr(_mm_getcsr() | DENORMAL_GUARD_DAZ);
    return saved;
}

// Puts the two bits back as they were; every other bit keeps its value of now.
static inline void denormal_guard_leave(uint32_t saved)
{
    uint32_t now = _mm_getcsr();
    _mm_setcsr((now & ~(uint32_t)DENORMAL_GUARD_BITS) | (saved & DENORMAL_GUARD_BITS));
}
