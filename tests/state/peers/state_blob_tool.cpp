// Writes and reads state documents as files, for the tests that check them
// against other tar readers and writers.
//   state_blob_tool save OUT FORMAT RATE DRIVE TONE HEAT MIX VOLUME BYPASS
//   state_blob_tool load IN     (prints the six loaded values, one a line)
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "state/state.h"

static int save(int argc, char** argv)
{
    if (argc != 11)
        return 2;
    float values[ENGINE_PARAM_COUNT];
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        values[i] = strtof(argv[5 + i], NULL);
    state_doc doc;
    if (state_doc_init(&doc) != 0)
        return 1;
    StateSaveValues keep;
    size_t size = 0;
    uint8_t* blob = NULL;
    if (state_doc_fill(&doc, &keep, argv[3], strtof(argv[4], NULL), values) == 0)
        blob = state_doc_serialize(&doc, &size);
    state_doc_free(&doc);
    FILE* f = blob ? fopen(argv[2], "wb") : NULL;
    int ok = f && fwrite(blob, 1, size, f) == size;
    if (f)
        ok = fclose(f) == 0 && ok;
    free(blob);
    return ok ? 0 : 1;
}

static int load(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    FILE* f = fopen(argv[2], "rb");
    if (!f)
        return 1;
    std::string blob;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        blob.append(chunk, n);
    fclose(f);
    state_doc doc;
    if (state_doc_parse(&doc, blob.data(), blob.size()) != 0) {
        fprintf(stderr, "state_doc_parse: %s\n", strerror(errno));
        return 1;
    }
    float values[ENGINE_PARAM_COUNT];
    int loaded = state_doc_load_values(&doc, values);
    state_doc_free(&doc);
    if (loaded != 0) {
        fprintf(stderr, "the loading rules refuse the document\n");
        return 1;
    }
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        printf("%.9g\n", values[i]);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 2 && strcmp(argv[1], "save") == 0)
        return save(argc, argv);
    if (argc >= 2 && strcmp(argv[1], "load") == 0)
        return load(argc, argv);
    fprintf(stderr, "usage: state_blob_tool save OUT FORMAT RATE V0..V5 | load IN\n");
    return 2;
}
