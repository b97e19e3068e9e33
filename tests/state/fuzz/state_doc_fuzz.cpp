// libFuzzer harness: any byte string given to state_doc_parse and the
// loading rules must be refused cleanly or loaded within range, and a parsed
// document must serialize into one that parses again.
#include <errno.h>
#include <stdlib.h>

#include "state/state.h"

static void check(bool condition)
{
    if (!condition)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    state_doc doc;
    errno = 0;
    if (state_doc_parse(&doc, data, size) != 0) {
        check(errno == EINVAL || errno == ENOMEM);
        check(!doc.info && !doc.parameters && !doc.dsp_extra && !doc.outer_extra);
        return 0;
    }
    float values[ENGINE_PARAM_COUNT];
    if (state_doc_load_values(&doc, values) == 0) {
        for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
            check(values[i] >= engine_params[i].minimum && values[i] <= engine_params[i].maximum);
        check(values[ENGINE_PARAM_BYPASS] == 0.0f || values[ENGINE_PARAM_BYPASS] == 1.0f);
    }
    // Writing fails only for member names of 100 bytes; what it writes reads back.
    size_t blob_size = 0;
    uint8_t* blob = state_doc_serialize(&doc, &blob_size);
    if (blob) {
        state_doc again;
        check(state_doc_parse(&again, blob, blob_size) == 0);
        size_t again_size = 0;
        uint8_t* second = state_doc_serialize(&again, &again_size);
        check(second && again_size == blob_size);
        free(second);
        state_doc_free(&again);
        free(blob);
    }
    state_doc_free(&doc);
    return 0;
}
