// Key/value record maps, the content of "info.map" and "parameters.map".
#include "state/state.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

enum { RECORD_HEADER = 8 };

static uint32_t read_u32le(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void write_u32le(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

kv_map* kv_map_parse(const void* bytes, size_t size)
{
    const uint8_t* data = (const uint8_t*)bytes;
    kv_map* map = kv_map_new();
    if (!map)
        return NULL;
    // 64-bit arithmetic: two 32-bit lengths cannot wrap the offset.
    uint64_t total = size;
    uint64_t offset = 0;
    while (offset < total) {
        uint64_t left = total - offset;
        uint32_t key_length = 0;
        uint32_t value_length = 0;
        if (left >= RECORD_HEADER) {
            key_length = read_u32le(data + offset);
            value_length = read_u32le(data + offset + 4);
        }
        // A record cut short by the end of the member is malformed.
        if (left < RECORD_HEADER || key_length == 0 ||
            (uint64_t)key_length + value_length > left - RECORD_HEADER) {
            kv_map_free(map);
            errno = EINVAL;
            return NULL;
        }
        const uint8_t* key = data + offset + RECORD_HEADER;
        if (kv_map_insert(map, key, key_length, key + key_length, value_length) != 0) {
            kv_map_free(map);
            errno = ENOMEM;
            return NULL;
        }
        offset += RECORD_HEADER + (uint64_t)key_length + value_length;
    }
    return map;
}

typedef struct RecordWriter {
    uint8_t* data;
    size_t size;
} RecordWriter;

static int write_record(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                        uint64_t value_length, void* context)
{
    RecordWriter* w = (RecordWriter*)context;
    if (key_length > UINT32_MAX || value_length > UINT32_MAX)
        return -1;
    size_t record = RECORD_HEADER + (size_t)key_length + (size_t)value_length;
    uint8_t* data = (uint8_t*)realloc(w->data, w->size + record);
    if (!data)
        return -1;
    uint8_t* out = data + w->size;
    write_u32le(out, (uint32_t)key_length);
    write_u32le(out + 4, (uint32_t)value_length);
    if (key_length)
        memcpy(out + RECORD_HEADER, key, (size_t)key_length);
    if (value_length)
        memcpy(out + RECORD_HEADER + key_length, value, (size_t)value_length);
    w->data = data;
    w->size += record;
    return 0;
}

uint8_t* kv_map_serialize(const kv_map* map, size_t* size)
{
    RecordWriter w = {NULL, 0};
    if (kv_map_for_each(map, write_record, &w) != 0) {
        free(w.data);
        return NULL;
    }
    // An empty map still gets a buffer, so null always means failure.
    if (!w.data && !(w.data = (uint8_t*)malloc(1)))
        return NULL;
    *size = w.size;
    return w.data;
}
