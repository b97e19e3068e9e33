#include "vst3/vst3_classes.h"

const Vst3FactoryFacts vst3_factory_facts = {
    "Wyrel.DIGITAL",
    "https://wyrel.digital",
    "support@wyrel.digital",
    16,  // kUnicode
};

const Vst3ClassFacts vst3_class_facts[VST3_CLASS_COUNT] = {
    {
        {0x40, 0x7a, 0x1b, 0x5e, 0xd2, 0x93, 0x6f, 0x4c, 0x8a, 0x15, 0x2f, 0x7c, 0x0e, 0x9b, 0x4d, 0x31},
        0x7FFFFFFF,  // kManyInstances
        "Audio Module Class",
        "Brolt",
        1,  // kDistributable
        "Fx|Distortion",
        "",
        "1.2.0.1",
        "VST 3.8.0 | Ossen",
        "VST 3.8.0",
    },
    {
        {0xf9, 0xe2, 0x84, 0x1c, 0x07, 0x6b, 0x3d, 0x4a, 0x9e, 0x52, 0xd0, 0x8b, 0x3a, 0x6f, 0x1e, 0x74},
        0x7FFFFFFF,
        "Component Controller Class",
        "Brolt Controller",
        0,
        "",
        "",
        "1.2.0.1",
        "VST VST 3.8.0 | Ossen",
        "VST 3.8.0",
    },
};
