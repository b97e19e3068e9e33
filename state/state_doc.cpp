// The state document: the outer archive holding "dsp.tar", which holds
// "info.map", "parameters.map" and "version".
#include "state/state.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#define STATE_VERSION_TEXT "1.0"

typedef struct Name {
    const char* text;
    uint64_t length;
} Name;

#define NAME(s) {s, sizeof(s) - 1}
static const Name DSP_TAR = NAME("dsp.tar");
static const Name VERSION = NAME("version");
static const Name INFO_MAP = NAME("info.map");
static const Name PARAMETERS_MAP = NAME("parameters.map");
#undef NAME

static int name_is(const uint8_t* key, uint64_t length, const Name* name)
{
    return length == name->length && memcmp(key, name->text, (size_t)length) == 0;
}

int state_doc_init(state_doc* doc)
{
    doc->info = kv_map_new();
    doc->parameters = kv_map_new();
    doc->dsp_extra = kv_map_new();
    doc->outer_extra = kv_map_new();
    if (doc->info && doc->parameters && doc->dsp_extra && doc->outer_extra)
        return 0;
    state_doc_free(doc);
    return -1;
}

void state_doc_free(state_doc* doc)
{
    kv_map_free(doc->info);
    kv_map_free(doc->parameters);
    kv_map_free(doc->dsp_extra);
    kv_map_free(doc->outer_extra);
    memset(doc, 0, sizeof *doc);
}

static int is_space(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// "1.0", optionally followed by whitespace only.
static int version_ok(const uint8_t* text, uint64_t length)
{
    if (length < 3 || memcmp(text, STATE_VERSION_TEXT, 3) != 0)
        return 0;
    for (uint64_t i = 3; i < length; i++)
        if (!is_space(text[i]))
            return 0;
    return 1;
}

// The record map held by member name of archive; errno set on failure.
static kv_map* parse_map_member(const kv_map* archive, const Name* name)
{
    uint64_t length;
    const uint8_t* data = kv_map_find(archive, name->text, name->length, &length);
    if (!data) {
        errno = EINVAL;
        return NULL;
    }
    return kv_map_parse(data, (size_t)length);
}

typedef struct ExtraCollector {
    kv_map* target;
    const Name* skip;
    int skip_count;
} ExtraCollector;

static int collect_extra(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                         uint64_t value_length, void* context)
{
    ExtraCollector* c = (ExtraCollector*)context;
    for (int i = 0; i < c->skip_count; i++)
        if (name_is(key, key_length, &c->skip[i]))
            return 0;
    return kv_map_insert(c->target, key, key_length, value, value_length) != 0 ? -1 : 0;
}

// Fills target with the members of archive not named in skip; ENOMEM on failure.
static kv_map* collect_extras(const kv_map* archive, const Name* skip, int skip_count)
{
    ExtraCollector c = {kv_map_new(), skip, skip_count};
    if (!c.target || kv_map_for_each(archive, collect_extra, &c) != 0) {
        kv_map_free(c.target);
        errno = ENOMEM;
        return NULL;
    }
    return c.target;
}

// Reads the two archives into outer and dsp (released by the caller) and
// fills doc; errno set on failure.
static int parse_members(state_doc* doc, const void* blob, size_t size, kv_map** outer,
                         kv_map** dsp)
{
    static const Name dsp_known[] = {VERSION, INFO_MAP, PARAMETERS_MAP};
    uint64_t length;
    if (!(*outer = tar_parse(blob, size)))
        return -1;
    const uint8_t* data = kv_map_find(*outer, DSP_TAR.text, DSP_TAR.length, &length);
    if (!data) {
        errno = EINVAL;
        return -1;
    }
    if (!(*dsp = tar_parse(data, (size_t)length)))
        return -1;
    data = kv_map_find(*dsp, VERSION.text, VERSION.length, &length);
    if (!data || !version_ok(data, length)) {
        errno = EINVAL;
        return -1;
    }
    if (!(doc->info = parse_map_member(*dsp, &INFO_MAP)) ||
        !(doc->parameters = parse_map_member(*dsp, &PARAMETERS_MAP)) ||
        !(doc->dsp_extra = collect_extras(*dsp, dsp_known, 3)) ||
        !(doc->outer_extra = collect_extras(*outer, &DSP_TAR, 1)))
        return -1;
    return 0;
}

int state_doc_parse(state_doc* doc, const void* blob, size_t size)
{
    memset(doc, 0, sizeof *doc);
    kv_map* outer = NULL;
    kv_map* dsp = NULL;
    int result = parse_members(doc, blob, size, &outer, &dsp);
    int error = errno;
    // The entries kept in doc point into the blob, not into the archive maps.
    kv_map_free(dsp);
    kv_map_free(outer);
    if (result != 0) {
        state_doc_free(doc);
        errno = error;
    }
    return result;
}

static int copy_entry(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                      uint64_t value_length, void* context)
{
    return kv_map_insert((kv_map*)context, key, key_length, value, value_length) != 0 ? -1 : 0;
}

// "dsp.tar": the version, the two record maps and the extras.
static uint8_t* serialize_dsp(const state_doc* doc, size_t* size)
{
    size_t info_size = 0, parameters_size = 0;
    uint8_t* info = kv_map_serialize(doc->info, &info_size);
    uint8_t* parameters = kv_map_serialize(doc->parameters, &parameters_size);
    kv_map* members = kv_map_new();
    uint8_t* result = NULL;
    if (info && parameters && members &&
        kv_map_insert(members, VERSION.text, VERSION.length, STATE_VERSION_TEXT, 3) == 0 &&
        kv_map_insert(members, INFO_MAP.text, INFO_MAP.length, info, info_size) == 0 &&
        kv_map_insert(members, PARAMETERS_MAP.text, PARAMETERS_MAP.length, parameters,
                      parameters_size) == 0 &&
        kv_map_for_each(doc->dsp_extra, copy_entry, members) == 0)
        result = tar_serialize(members, size);
    kv_map_free(members);
    free(info);
    free(parameters);
    return result;
}

uint8_t* state_doc_serialize(const state_doc* doc, size_t* size)
{
    size_t dsp_size = 0;
    uint8_t* dsp = serialize_dsp(doc, &dsp_size);
    if (!dsp)
        return NULL;
    kv_map* members = kv_map_new();
    uint8_t* result = NULL;
    if (members && kv_map_insert(members, DSP_TAR.text, DSP_TAR.length, dsp, dsp_size) == 0 &&
        kv_map_for_each(doc->outer_extra, copy_entry, members) == 0)
        result = tar_serialize(members, size);
    kv_map_free(members);
    free(dsp);
    return result;
}
