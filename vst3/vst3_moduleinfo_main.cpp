// Build tool: writes the bundle's moduleinfo.json from the factory's tables.
// Hosts that read the file instead of loading the module see the classes as
// getClassInfoUnicode reports them.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vst3/vst3_classes.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s OUTPUT MODULE-NAME\n", argv[0]);
        return 2;
    }
    Vst3ClassFacts classes[VST3_CLASS_COUNT];
    memcpy(classes, vst3_class_facts, sizeof classes);
    for (int k = 0; k < VST3_CLASS_COUNT; k++)
        classes[k].sdk_version = classes[k].sdk_version_unicode;
    char* text = vst3_moduleinfo_format(argv[2], vst3_class_facts[0].version,
                                        &vst3_factory_facts, classes,
                                        VST3_CLASS_COUNT);
    if (!text) {
        fprintf(stderr, "%s: out of memory\n", argv[0]);
        return 1;
    }
    FILE* file = fopen(argv[1], "wb");
    size_t n = strlen(text);
    int ok = file && fwrite(text, 1, n, file) == n;
    if (file && fclose(file) != 0)
        ok = 0;
    free(text);
    if (!ok) {
        fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
