// Built while the state archive is not part of the build: every save and
// restore is refused, so a host keeps its own copy rather than a bad one.
#include "vst3/vst3_binding.h"

int vst3_state_load(const uint8_t* buffer, int64_t size, const state_load_callbacks* callbacks)
{
    (void)buffer;
    (void)size;
    (void)callbacks;
    return -1;
}

tresult vst3_state_save(Vst3BStream* stream, const float values[ENGINE_PARAM_COUNT],
                        float sample_rate)
{
    (void)stream;
    (void)values;
    (void)sample_rate;
    return VST3_FALSE;
}
