// Moving bytes through the host's IBStream, in chunks its 32-bit counts allow.
#include "vst3/vst3_binding.h"

#include <stdlib.h>

enum { STREAM_CHUNK_MAX = 0x7FFFFFFF };

int vst3_read_stream(Vst3BStream* stream, uint8_t** buffer, int64_t* size)
{
    *buffer = NULL;
    *size = 0;
    int64_t length = 0;
    // The whole stream, wherever the host left its position.
    if (stream->vtbl->seek(stream, 0, VST3_SEEK_END, NULL) != VST3_OK ||
        stream->vtbl->tell(stream, &length) != VST3_OK ||
        stream->vtbl->seek(stream, 0, VST3_SEEK_SET, NULL) != VST3_OK)
        return -1;
    if (length <= 0)
        return 0;
    if ((uint64_t)length > (uint64_t)SIZE_MAX)
        return -1;
    uint8_t* data = (uint8_t*)malloc((size_t)length);
    if (!data)
        return -1;
    int64_t offset = 0;
    while (offset < length) {
        int64_t rest = length - offset;
        int32_t asked = rest > STREAM_CHUNK_MAX ? STREAM_CHUNK_MAX : (int32_t)rest;
        int32_t got = 0;
        stream->vtbl->read(stream, data + offset, asked, &got);
        if (got != asked) {
            free(data);
            return -1;
        }
        offset += got;
    }
    *buffer = data;
    *size = length;
    return 0;
}

int vst3_write_stream(Vst3BStream* stream, const uint8_t* data, size_t size)
{
    size_t offset = 0;
    while (offset < size) {
        size_t rest = size - offset;
        int32_t asked = rest > STREAM_CHUNK_MAX ? STREAM_CHUNK_MAX : (int32_t)rest;
        int32_t written = 0;
        stream->vtbl->write(stream, (void*)(data + offset), asked, &written);
        if (written != asked)
            return -1;
        offset += (size_t)written;
    }
    return 0;
}

int vst3_state_load_stream(Vst3BStream* stream, const state_load_callbacks* callbacks)
{
    if (!stream)
        return -1;
    uint8_t* buffer = NULL;
    int64_t size = 0;
    if (vst3_read_stream(stream, &buffer, &size) != 0)
        return -1;
    int result = vst3_state_load(buffer, size, callbacks);
    free(buffer);
    return result;
}
