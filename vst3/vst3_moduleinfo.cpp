// The moduleinfo.json text. The build writes it from the factory's tables;
// the test host writes it again from what the loaded module answers and
// compares the two.
#include "vst3/vst3_classes.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct TextOut {
    char* data;
    size_t size;
    size_t capacity;
    int failed;
} TextOut;

static void out_bytes(TextOut* out, const char* bytes, size_t n)
{
    if (out->failed)
        return;
    if (out->size + n + 1 > out->capacity) {
        size_t capacity = out->capacity ? out->capacity : 1024;
        while (out->size + n + 1 > capacity)
            capacity *= 2;
        char* grown = (char*)realloc(out->data, capacity);
        if (!grown) {
            out->failed = 1;
            return;
        }
        out->data = grown;
        out->capacity = capacity;
    }
    memcpy(out->data + out->size, bytes, n);
    out->size += n;
    out->data[out->size] = 0;
}

static void out_text(TextOut* out, const char* text) { out_bytes(out, text, strlen(text)); }

static void out_format(TextOut* out, const char* format, ...)
{
    char buffer[64];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0 && (size_t)n < sizeof buffer)
        out_bytes(out, buffer, (size_t)n);
    else
        out->failed = 1;
}

// A JSON string of n bytes.
static void out_string_n(TextOut* out, const char* text, size_t n)
{
    out_text(out, "\"");
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c == '"' || c == '\\') {
            char escaped[2] = {'\\', (char)c};
            out_bytes(out, escaped, 2);
        } else if (c < 0x20) {
            out_format(out, "\\u%04x", c);
        } else {
            out_bytes(out, (const char*)&c, 1);
        }
    }
    out_text(out, "\"");
}

static void out_string(TextOut* out, const char* text) { out_string_n(out, text, strlen(text)); }

static void out_bool(TextOut* out, int value) { out_text(out, value ? "true" : "false"); }

// "Fx|Distortion" becomes ["Fx", "Distortion"]; an empty text an empty array.
static void out_sub_categories(TextOut* out, const char* text)
{
    out_text(out, "[");
    const char* part = text;
    int first = 1;
    while (*part) {
        const char* bar = strchr(part, '|');
        size_t n = bar ? (size_t)(bar - part) : strlen(part);
        if (!first)
            out_text(out, ", ");
        out_string_n(out, part, n);
        first = 0;
        part += n;
        if (*part == '|')
            part++;
    }
    out_text(out, "]");
}

char* vst3_moduleinfo_format(const char* module_name, const char* module_version,
                             const Vst3FactoryFacts* factory, const Vst3ClassFacts* classes,
                             int count)
{
    TextOut out = {NULL, 0, 0, 0};
    out_text(&out, "{\n  \"Name\": ");
    out_string(&out, module_name);
    out_text(&out, ",\n  \"Version\": ");
    out_string(&out, module_version);
    out_text(&out, ",\n  \"Factory Info\": {\n    \"Vendor\": ");
    out_string(&out, factory->vendor);
    out_text(&out, ",\n    \"URL\": ");
    out_string(&out, factory->url);
    out_text(&out, ",\n    \"E-Mail\": ");
    out_string(&out, factory->email);
    out_text(&out, ",\n    \"Flags\": {\n      \"Unicode\": ");
    out_bool(&out, (factory->flags & 16) != 0);
    out_text(&out, ",\n      \"Classes Discardable\": ");
    out_bool(&out, (factory->flags & 1) != 0);
    out_text(&out, ",\n      \"Component Non Discardable\": ");
    out_bool(&out, (factory->flags & 8) != 0);
    out_text(&out, "\n    }\n  },\n  \"Classes\": [");
    for (int k = 0; k < count; k++) {
        const Vst3ClassFacts* c = &classes[k];
        out_text(&out, k ? ",\n    {\n      \"CID\": \"" : "\n    {\n      \"CID\": \"");
        // The GUID text without dashes: the first three groups are stored
        // little-endian.
        static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        for (int i = 0; i < 16; i++)
            out_format(&out, "%02X", c->cid[order[i]]);
        out_text(&out, "\",\n      \"Category\": ");
        out_string(&out, c->category);
        out_text(&out, ",\n      \"Name\": ");
        out_string(&out, c->name);
        out_text(&out, ",\n      \"Vendor\": ");
        out_string(&out, c->vendor);
        out_text(&out, ",\n      \"Version\": ");
        out_string(&out, c->version);
        out_text(&out, ",\n      \"SDKVersion\": ");
        out_string(&out, c->sdk_version);
        out_text(&out, ",\n      \"Sub Categories\": ");
        out_sub_categories(&out, c->sub_categories);
        out_format(&out, ",\n      \"Class Flags\": %u", (unsigned)c->class_flags);
        out_format(&out, ",\n      \"Cardinality\": %d", (int)c->cardinality);
        out_text(&out, ",\n      \"Snapshots\": []\n    }");
    }
    out_text(&out, "\n  ]\n}\n");
    if (out.failed) {
        free(out.data);
        return NULL;
    }
    return out.data;
}
