// The ustar subset of the state: regular-file members read from and written
// to whole buffers.
#include "state/state.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

enum {
    TAR_SIZE_OFFSET = 124,
    TAR_SIZE_DIGITS = 11,
    TAR_CHKSUM_OFFSET = 148,
    TAR_CHKSUM_LENGTH = 8,
};

// Members of 2^31 bytes or more are refused by the reader.
static const uint64_t TAR_MEMBER_LIMIT = (uint64_t)1 << 31;
// The largest value eleven octal digits hold.
static const uint64_t TAR_SIZE_FIELD_LIMIT = (uint64_t)1 << 33;

static uint64_t round_to_block(uint64_t n) { return (n + TAR_BLOCK - 1) / TAR_BLOCK * TAR_BLOCK; }

// Writes value as exactly digits octal digits, zero-padded on the left.
static void put_octal(uint8_t* out, uint64_t value, int digits)
{
    for (int i = digits - 1; i >= 0; i--) {
        out[i] = (uint8_t)('0' + (value & 7));
        value >>= 3;
    }
}

// The size field: exactly eleven octal digits, then NUL. -1 if malformed.
static int read_size_field(const uint8_t* header, uint64_t* size)
{
    uint64_t value = 0;
    for (int i = 0; i < TAR_SIZE_DIGITS; i++) {
        uint8_t c = header[TAR_SIZE_OFFSET + i];
        if (c < '0' || c > '7')
            return -1;
        value = value * 8 + (uint64_t)(c - '0');
    }
    if (header[TAR_SIZE_OFFSET + TAR_SIZE_DIGITS] != 0 || value >= TAR_MEMBER_LIMIT)
        return -1;
    *size = value;
    return 0;
}

kv_map* tar_parse(const void* buffer, size_t size)
{
    const uint8_t* bytes = (const uint8_t*)buffer;
    kv_map* map = kv_map_new();
    if (!map)
        return NULL;
    // Offsets stay in 64 bits and only ever grow: every member advances by
    // at least one block and sizes are below 2^31.
    uint64_t total = size;
    uint64_t offset = 0;
    while (offset < total) {
        if (bytes[offset] == 0)
            break;  // a zero block ends the archive
        const uint8_t* header = bytes + offset;
        uint64_t member_size;
        // A header or member data that runs past the buffer is malformed.
        if (total - offset < TAR_BLOCK || read_size_field(header, &member_size) != 0 ||
            member_size > total - offset - TAR_BLOCK) {
            kv_map_free(map);
            errno = EINVAL;
            return NULL;
        }
        const void* end = memchr(header, 0, TAR_NAME_MAX);
        uint64_t name_length = end ? (uint64_t)((const uint8_t*)end - header) : (uint64_t)TAR_NAME_MAX;
        if (kv_map_insert(map, header, name_length, header + TAR_BLOCK, member_size) != 0) {
            kv_map_free(map);
            errno = ENOMEM;
            return NULL;
        }
        offset += TAR_BLOCK + round_to_block(member_size);
    }
    return map;
}

static void fill_header(uint8_t* header, const kv_entry* e)
{
    if (e->key_length)
        memcpy(header, e->key, (size_t)e->key_length);
    memcpy(header + 100, "0000644", 8);
    memcpy(header + 108, "0000000", 8);
    memcpy(header + 116, "0000000", 8);
    put_octal(header + TAR_SIZE_OFFSET, e->value_length, TAR_SIZE_DIGITS);
    memcpy(header + 136, "00000000000", 12);
    header[156] = '0';
    memcpy(header + 257, "ustar", 6);
    memcpy(header + 263, "00", 2);

    // The sum is taken with the checksum field as eight spaces; it is then
    // written as five octal digits and a NUL, byte 154 becomes NUL and byte
    // 155 keeps its space. Headers written here always sum below 8^5.
    memset(header + TAR_CHKSUM_OFFSET, ' ', TAR_CHKSUM_LENGTH);
    uint32_t sum = 0;
    for (int i = 0; i < TAR_BLOCK; i++)
        sum += header[i];
    put_octal(header + TAR_CHKSUM_OFFSET, sum, 5);
    header[TAR_CHKSUM_OFFSET + 5] = 0;
    header[TAR_CHKSUM_OFFSET + 6] = 0;
}

typedef struct TarWriter {
    uint8_t* data;
    uint64_t size;
} TarWriter;

static int grow(TarWriter* w, uint64_t extra)
{
    uint64_t size = w->size + extra;
    uint8_t* data = (uint8_t*)realloc(w->data, (size_t)size);
    if (!data)
        return -1;
    memset(data + w->size, 0, (size_t)extra);
    w->data = data;
    w->size = size;
    return 0;
}

static int write_member(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                        uint64_t value_length, void* context)
{
    TarWriter* w = (TarWriter*)context;
    // The size field cannot express 8 GiB or more; refuse such a member
    // rather than write a wrong size.
    if (key_length >= TAR_NAME_MAX || value_length >= TAR_SIZE_FIELD_LIMIT)
        return -1;
    uint64_t start = w->size;
    if (grow(w, TAR_BLOCK + round_to_block(value_length)) != 0)
        return -1;
    kv_entry e = {key_length, value_length, key, value};
    fill_header(w->data + start, &e);
    if (value_length)
        memcpy(w->data + start + TAR_BLOCK, value, (size_t)value_length);
    return 0;
}

uint8_t* tar_serialize(const kv_map* map, size_t* size)
{
    TarWriter w = {NULL, 0};
    if (kv_map_for_each(map, write_member, &w) != 0 || grow(&w, 2 * TAR_BLOCK) != 0) {
        free(w.data);
        return NULL;
    }
    *size = (size_t)w.size;
    return w.data;
}
