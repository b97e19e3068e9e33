// The built-in demo signal of brolt-render: a short plucked-string phrase.
#pragma once

#include <stddef.h>

enum { DEMO_SAMPLE_RATE = 48000 };

// Number of samples of the phrase at DEMO_SAMPLE_RATE.
size_t demo_signal_length(void);

// Writes demo_signal_length() mono samples (peak about 0.5) into out.
void demo_signal_render(float* out);
