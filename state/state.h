// The state archive: an ordered multimap of borrowed byte strings, the small
// ustar subset that holds it, the key/value record maps and the state
// document both plug-in formats save and load.
//
// Results: 0 or a pointer on success; -1 or null on failure, with errno set
// to EINVAL or ENOMEM where the operation says so. Buffers returned here are
// released by the caller with free.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "engine/engine.h"

// ---------------------------------------------------------------------------
// kv_map: an AVL tree of entries whose key and value bytes are borrowed.
// Keys iterate in byte order, a shorter key before a longer one it prefixes;
// equal keys are kept as separate, adjacent entries.

typedef struct kv_entry {
    uint64_t key_length;
    uint64_t value_length;
    const uint8_t* key;    // borrowed, not NUL-terminated
    const uint8_t* value;  // borrowed
} kv_entry;

typedef struct kv_node {
    struct kv_node* parent;
    struct kv_node* left;
    struct kv_node* right;
    int64_t height;  // a leaf is 1, a missing child counts as 0
    kv_entry* entry;
} kv_node;

typedef int (*kv_compare_fn)(const uint8_t* a, uint64_t a_length,
                             const uint8_t* b, uint64_t b_length);

typedef struct kv_map {
    kv_node* root;
    kv_compare_fn compare;
} kv_map;

typedef int (*kv_visit_fn)(const uint8_t* key, uint64_t key_length,
                           const uint8_t* value, uint64_t value_length,
                           void* context);

// The key order: bytes compared unsigned up to the first difference; a zero
// byte held by both keys ends the walk as a tie; on a tie the shorter key
// comes first. Returns <0, 0 or >0.
int kv_map_compare(const uint8_t* a, uint64_t a_length, const uint8_t* b, uint64_t b_length);

kv_map* kv_map_new(void);
void kv_map_free(kv_map* map);
// 0, or -1 when memory runs out (the map is then unchanged).
int kv_map_insert(kv_map* map, const void* key, uint64_t key_length,
                  const void* value, uint64_t value_length);
// The value of an entry with this key, or null (value_length untouched).
const uint8_t* kv_map_find(const kv_map* map, const void* key, uint64_t key_length,
                           uint64_t* value_length);
// Visits every entry in key order; returns the first non-zero visitor result.
int kv_map_for_each(const kv_map* map, kv_visit_fn visitor, void* context);

// ---------------------------------------------------------------------------
// Tar container: regular-file ustar members, names below 100 bytes.

enum {
    TAR_BLOCK = 512,
    TAR_NAME_MAX = 100,  // a written name must be shorter than this
};

// One entry per member, pointing into buffer (which must outlive the map).
// Null with errno EINVAL for a malformed archive, ENOMEM when memory runs out.
kv_map* tar_parse(const void* buffer, size_t size);
// The archive of the map's entries in key order, closed by two zero blocks.
// Null for a name of 100 bytes or more, or when memory runs out.
uint8_t* tar_serialize(const kv_map* map, size_t* size);

// ---------------------------------------------------------------------------
// Key/value record maps: records of (u32 LE key length >= 1, u32 LE value
// length, key bytes, value bytes), back to back.

// Null with errno EINVAL for a malformed map, ENOMEM when memory runs out.
kv_map* kv_map_parse(const void* bytes, size_t size);
// The records in key order (an empty map gives size 0 and a non-null buffer).
uint8_t* kv_map_serialize(const kv_map* map, size_t* size);

// ---------------------------------------------------------------------------
// The state document: "dsp.tar" (holding "info.map", "parameters.map" and
// "version") inside an outer archive. The maps borrow their bytes: after a
// parse they point into the blob, when saving into the caller's values.

typedef struct state_doc {
    kv_map* info;
    kv_map* parameters;
    kv_map* dsp_extra;    // other members of "dsp.tar"
    kv_map* outer_extra;  // other members of the outer archive
} state_doc;

int state_doc_init(state_doc* doc);
void state_doc_free(state_doc* doc);
// 0, or -1 with errno set and nothing left to release.
int state_doc_parse(state_doc* doc, const void* blob, size_t size);
uint8_t* state_doc_serialize(const state_doc* doc, size_t* size);

// ---------------------------------------------------------------------------
// What both bindings put into and take out of a document.

enum { STATE_BLOB_SIZE = 5632 };  // every document this program saves

// The bytes a filled document borrows; keep it alive until serialized.
typedef struct StateSaveValues {
    uint8_t sample_rate[4];
    uint8_t params[ENGINE_PARAM_COUNT][4];
} StateSaveValues;

// Inserts the info entries ("format" as given, e.g. "lv2" or "vst3") and the
// six parameter values into an initialised document. 0, or -1 when memory
// runs out.
int state_doc_fill(state_doc* doc, StateSaveValues* keep, const char* format,
                   float sample_rate, const float values[ENGINE_PARAM_COUNT]);

// The loading rules: "id" must be this plug-in's, and all six parameters
// present as 4-byte values that are not NaN. On success returns 0 with the
// six values limited to their ranges (state_limit_value); on failure -1 and
// values untouched.
int state_doc_load_values(const state_doc* doc, float values[ENGINE_PARAM_COUNT]);

// A stored value in engine units: limited to the parameter's range, bypass
// 1 from 0.5 upwards and 0 below.
float state_limit_value(int32_t index, float value);
