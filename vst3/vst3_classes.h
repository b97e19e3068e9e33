// What the factory tells hosts about the module and its two classes. Plain
// data without Windows types, so the build can also turn it into the bundle's
// moduleinfo.json.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum { VST3_CLASS_COUNT = 2, VST3_CLASS_PROCESSOR = 0, VST3_CLASS_CONTROLLER = 1 };

typedef struct Vst3FactoryFacts {
    const char* vendor;
    const char* url;
    const char* email;
    int32_t flags;
} Vst3FactoryFacts;

// One class. `sdk_version` is the 8-bit spelling of getClassInfo2,
// `sdk_version_unicode` (ASCII) the one getClassInfoUnicode widens.
typedef struct Vst3ClassFacts {
    uint8_t cid[16];
    int32_t cardinality;
    const char* category;
    const char* name;
    uint32_t class_flags;
    const char* sub_categories;
    const char* vendor;
    const char* version;
    const char* sdk_version;
    const char* sdk_version_unicode;
} Vst3ClassFacts;

extern const Vst3FactoryFacts vst3_factory_facts;
extern const Vst3ClassFacts vst3_class_facts[VST3_CLASS_COUNT];

// moduleinfo.json for the given facts, in the form hosts read: a new
// NUL-terminated text (free it), or null when memory runs out. `sdk_version`
// of each class is the one written.
char* vst3_moduleinfo_format(const char* module_name, const char* module_version,
                             const Vst3FactoryFacts* factory, const Vst3ClassFacts* classes,
                             int count);
