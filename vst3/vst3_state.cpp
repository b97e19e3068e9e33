// The state document through the host's streams: the VST3 module's entries
// on saving, the shared loading rules on restoring.
#include "vst3/vst3_binding.h"

#include <stdlib.h>

#include "state/state.h"

int vst3_state_load(const uint8_t* buffer, int64_t size, const state_load_callbacks* callbacks)
{
    // No buffer at all is an empty archive, which the parse refuses.
    static const uint8_t empty = 0;
    state_doc doc;
    if (state_doc_parse(&doc, buffer ? buffer : &empty, buffer ? (size_t)size : 0) != 0)
        return -1;
    float values[ENGINE_PARAM_COUNT];
    int result = state_doc_load_values(&doc, values);
    // All six values or none.
    if (result == 0) {
        callbacks->lock(callbacks->user_data);
        for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
            callbacks->set_parameter(callbacks->user_data, i, values[i]);
        callbacks->unlock(callbacks->user_data);
    }
    state_doc_free(&doc);
    return result;
}

tresult vst3_state_save(Vst3BStream* stream, const float values[ENGINE_PARAM_COUNT],
                        float sample_rate)
{
    state_doc doc;
    if (state_doc_init(&doc) != 0)
        return VST3_FALSE;
    // The document borrows these bytes until it is serialized.
    StateSaveValues keep;
    tresult result = VST3_FALSE;
    if (state_doc_fill(&doc, &keep, "vst3", sample_rate, values) == 0) {
        size_t size = 0;
        uint8_t* blob = state_doc_serialize(&doc, &size);
        if (blob) {
            result = vst3_write_stream(stream, blob, size) == 0 ? VST3_OK : VST3_FALSE;
            free(blob);
        }
    }
    state_doc_free(&doc);
    return result;
}
