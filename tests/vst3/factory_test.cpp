// The module as a host first meets it: exports, factory information, class
// table, moduleinfo.json and createInstance.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include "tests/vst3/host.h"

namespace {

// Bytes as the interface documentation lists them, not derived from the
// module's own identifier tables.
const uint8_t funknown_bytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xc0, 0, 0, 0, 0, 0, 0, 0x46};
const uint8_t component_bytes[16] = {0x31, 0xff, 0x31, 0xe8, 0xd5, 0xf2, 0x01, 0x43,
                                     0x92, 0x8e, 0xbb, 0xee, 0x25, 0x69, 0x78, 0x02};
const uint8_t processor_cid[16] = {0x40, 0x7a, 0x1b, 0x5e, 0xd2, 0x93, 0x6f, 0x4c,
                                   0x8a, 0x15, 0x2f, 0x7c, 0x0e, 0x9b, 0x4d, 0x31};
const uint8_t controller_cid[16] = {0xf9, 0xe2, 0x84, 0x1c, 0x07, 0x6b, 0x3d, 0x4a,
                                    0x9e, 0x52, 0xd0, 0x8b, 0x3a, 0x6f, 0x1e, 0x74};

TEST(Vst3Factory, IdentifiersAreInComByteOrder)
{
    EXPECT_EQ(memcmp(vst3_iid_funknown, funknown_bytes, 16), 0);
    EXPECT_EQ(memcmp(vst3_iid_component, component_bytes, 16), 0);
    const uint8_t midi_mapping[16] = {0xf7, 0xf9, 0x0f, 0xdf, 0xb7, 0x49, 0x69, 0x46,
                                      0xb6, 0x3a, 0xb7, 0x32, 0x7a, 0xdb, 0xf5, 0xe5};
    EXPECT_EQ(memcmp(vst3_iid_midi_mapping, midi_mapping, 16), 0);
}

TEST(Vst3Factory, FactoryInformationAndClassOrder)
{
    Vst3PluginFactory* f = host_factory();
    ASSERT_NE(f, nullptr) << "wyrel-brolt.vst3 did not load from its bundle";

    Vst3FactoryInfo info;
    memset(&info, 0x55, sizeof info);
    ASSERT_EQ(f->vtbl->get_factory_info(f, &info), VST3_OK);
    EXPECT_STREQ(info.vendor, "Wyrel.DIGITAL");
    EXPECT_NE(memchr(info.url, 0, sizeof info.url), nullptr);
    EXPECT_NE(memchr(info.email, 0, sizeof info.email), nullptr);
    EXPECT_EQ(info.flags, 16);
    ASSERT_EQ(f->vtbl->count_classes(f), 2);

    struct Expected {
        const uint8_t* cid;
        const char* category;
        const char* name;
        uint32_t flags;
        const char* sub_categories;
        const char* sdk8;
    } expected[2] = {
        {processor_cid, "Audio Module Class", "Brolt", 1, "Fx|Distortion", "VST 3.8.0 | Ossen"},
        {controller_cid, "Component Controller Class", "Brolt Controller", 0, "",
         "VST VST 3.8.0 | Ossen"},
    };
    for (int32_t k = 0; k < 2; k++) {
        SCOPED_TRACE(k);
        Vst3ClassInfo c1;
        ASSERT_EQ(f->vtbl->get_class_info(f, k, &c1), VST3_OK);
        EXPECT_EQ(memcmp(c1.cid, expected[k].cid, 16), 0);
        EXPECT_EQ(c1.cardinality, 0x7FFFFFFF);
        EXPECT_STREQ(c1.category, expected[k].category);
        EXPECT_STREQ(c1.name, expected[k].name);

        Vst3ClassInfo2 c2;
        ASSERT_EQ(f->vtbl->get_class_info2(f, k, &c2), VST3_OK);
        EXPECT_EQ(memcmp(c2.cid, expected[k].cid, 16), 0);
        EXPECT_STREQ(c2.name, expected[k].name);
        EXPECT_EQ(c2.class_flags, expected[k].flags);
        EXPECT_STREQ(c2.sub_categories, expected[k].sub_categories);
        EXPECT_STREQ(c2.vendor, "");
        EXPECT_STREQ(c2.version, "1.2.0.1");
        EXPECT_STREQ(c2.sdk_version, expected[k].sdk8);

        Vst3ClassInfoW cw;
        ASSERT_EQ(f->vtbl->get_class_info_unicode(f, k, &cw), VST3_OK);
        EXPECT_EQ(memcmp(cw.cid, expected[k].cid, 16), 0);
        EXPECT_STREQ(cw.category, expected[k].category);
        EXPECT_EQ(host_narrow(cw.name), expected[k].name);
        EXPECT_EQ(cw.class_flags, expected[k].flags);
        EXPECT_STREQ(cw.sub_categories, expected[k].sub_categories);
        EXPECT_EQ(host_narrow(cw.vendor), "");
        EXPECT_EQ(host_narrow(cw.version), "1.2.0.1");
        EXPECT_EQ(host_narrow(cw.sdk_version), "VST 3.8.0");
    }

    // Indices outside the table leave the record as it was.
    for (int32_t index : {-1, 2}) {
        Vst3ClassInfo c1;
        memset(&c1, 0x5a, sizeof c1);
        EXPECT_EQ(f->vtbl->get_class_info(f, index, &c1), VST3_INVALID_ARGUMENT);
        EXPECT_EQ(c1.cid[0], 0x5a);
        Vst3ClassInfo2 c2;
        EXPECT_EQ(f->vtbl->get_class_info2(f, index, &c2), VST3_INVALID_ARGUMENT);
        Vst3ClassInfoW cw;
        EXPECT_EQ(f->vtbl->get_class_info_unicode(f, index, &cw), VST3_INVALID_ARGUMENT);
    }
    EXPECT_EQ(f->vtbl->set_host_context(f, nullptr), VST3_NOT_IMPLEMENTED);
}

TEST(Vst3Factory, QueryInterfaceAndStaticLifetime)
{
    Vst3PluginFactory* f = host_factory();
    ASSERT_NE(f, nullptr);
    for (const uint8_t* iid : {vst3_iid_funknown, vst3_iid_plugin_factory,
                               vst3_iid_plugin_factory2, vst3_iid_plugin_factory3}) {
        void* obj = nullptr;
        EXPECT_EQ(f->vtbl->query_interface(f, iid, &obj), VST3_OK);
        EXPECT_EQ(obj, f);
    }
    void* obj = f;
    EXPECT_EQ(f->vtbl->query_interface(f, vst3_iid_component, &obj), VST3_NO_INTERFACE);
    EXPECT_EQ(obj, nullptr);
    // Hosts release the factory when done with it; it must outlive that.
    for (int i = 0; i < 10; i++) {
        f->vtbl->add_ref(f);
        f->vtbl->release(f);
        f->vtbl->release(f);
    }
    EXPECT_EQ(f->vtbl->count_classes(f), 2);
}

TEST(Vst3Factory, CreateInstanceAcceptsOnlyTheListedInterfaces)
{
    Vst3PluginFactory* f = host_factory();
    ASSERT_NE(f, nullptr);
    struct Case {
        const uint8_t* cid;
        const uint8_t* iid;
        tresult result;
    } cases[] = {
        {processor_cid, vst3_iid_funknown, VST3_OK},
        {processor_cid, vst3_iid_plugin_base, VST3_OK},
        {processor_cid, vst3_iid_component, VST3_OK},
        {processor_cid, vst3_iid_audio_processor, VST3_NO_INTERFACE},
        {processor_cid, vst3_iid_edit_controller, VST3_NO_INTERFACE},
        {controller_cid, vst3_iid_funknown, VST3_OK},
        {controller_cid, vst3_iid_plugin_base, VST3_OK},
        {controller_cid, vst3_iid_edit_controller, VST3_OK},
        {controller_cid, vst3_iid_component, VST3_NO_INTERFACE},
        {controller_cid, vst3_iid_midi_mapping, VST3_NO_INTERFACE},
    };
    for (const Case& c : cases) {
        void* sentinel = (void*)&cases;
        void* obj = sentinel;
        EXPECT_EQ(f->vtbl->create_instance(f, c.cid, c.iid, &obj), c.result);
        if (c.result != VST3_OK) {
            EXPECT_EQ(obj, sentinel) << "a refused interface leaves *obj as it was";
            continue;
        }
        // The primary interface whichever was asked for: it answers its own IID
        // with the same pointer.
        const uint8_t* primary =
            c.cid == processor_cid ? vst3_iid_component : vst3_iid_edit_controller;
        void* again = host_query(obj, primary);
        EXPECT_EQ(again, obj);
        Vst3FUnknown* unknown = (Vst3FUnknown*)obj;
        EXPECT_EQ(unknown->vtbl->release(unknown), 1u);
        EXPECT_EQ(unknown->vtbl->release(unknown), 0u);
    }
    uint8_t other_cid[16];
    memcpy(other_cid, processor_cid, 16);
    other_cid[15] ^= 1;
    void* obj = (void*)&cases;
    EXPECT_EQ(f->vtbl->create_instance(f, other_cid, vst3_iid_funknown, &obj), VST3_NO_INTERFACE);
    EXPECT_EQ(obj, nullptr);
}

// What a host reads from moduleinfo.json must be what the module answers.
TEST(Vst3Factory, ModuleInfoMatchesTheFactory)
{
    Vst3PluginFactory* f = host_factory();
    ASSERT_NE(f, nullptr);
    Vst3FactoryInfo info;
    ASSERT_EQ(f->vtbl->get_factory_info(f, &info), VST3_OK);
    Vst3FactoryFacts factory = {info.vendor, info.url, info.email, info.flags};

    Vst3ClassInfoW wide[2];
    std::string texts[2][4];
    Vst3ClassFacts classes[2];
    for (int32_t k = 0; k < 2; k++) {
        ASSERT_EQ(f->vtbl->get_class_info_unicode(f, k, &wide[k]), VST3_OK);
        texts[k][0] = host_narrow(wide[k].name);
        texts[k][1] = host_narrow(wide[k].vendor);
        texts[k][2] = host_narrow(wide[k].version);
        texts[k][3] = host_narrow(wide[k].sdk_version);
        Vst3ClassFacts& c = classes[k];
        memcpy(c.cid, wide[k].cid, 16);
        c.cardinality = wide[k].cardinality;
        c.category = wide[k].category;
        c.name = texts[k][0].c_str();
        c.class_flags = wide[k].class_flags;
        c.sub_categories = wide[k].sub_categories;
        c.vendor = texts[k][1].c_str();
        c.version = texts[k][2].c_str();
        c.sdk_version = texts[k][3].c_str();
        c.sdk_version_unicode = c.sdk_version;
    }
    char* expected = vst3_moduleinfo_format("wyrel-brolt", classes[0].version, &factory,
                                            classes, 2);
    ASSERT_NE(expected, nullptr);
    std::string shipped = host_moduleinfo_text();
    EXPECT_FALSE(shipped.empty());
    EXPECT_EQ(shipped, std::string(expected));
    EXPECT_NE(shipped.find("\"CID\": \"5E1B7A4093D24C6F8A152F7C0E9B4D31\""), std::string::npos);
    free(expected);
}

TEST(Vst3Module, FoldersFromTheModulePath)
{
    struct Case {
        const wchar_t* path;
        const char* module;
        const char* resources;
    } cases[] = {
        {L"X\\Contents\\x86_64-win\\m.vst3", "X\\Contents\\x86_64-win", "X\\Contents\\Resources"},
        {L"C:\\Program Files\\Common Files\\VST3\\wyrel-brolt.vst3\\Contents\\x86_64-win\\wyrel-brolt.vst3",
         "C:\\Program Files\\Common Files\\VST3\\wyrel-brolt.vst3\\Contents\\x86_64-win",
         "C:\\Program Files\\Common Files\\VST3\\wyrel-brolt.vst3\\Contents\\Resources"},
        // Non-ASCII folders arrive as UTF-8.
        {L"D:\\M\u00fcller\\\u65e5\u672c\\x86_64-win\\m.vst3", "D:\\M\xc3\xbcller\\\xe6\x97\xa5\xe6\x9c\xac\\x86_64-win",
         "D:\\M\xc3\xbcller\\\xe6\x97\xa5\xe6\x9c\xac\\Resources"},
    };
    for (const Case& c : cases) {
        char* module = nullptr;
        char* resources = nullptr;
        ASSERT_EQ(vst3_folders_from_path(c.path, &module, &resources), 0);
        EXPECT_STREQ(module, c.module);
        EXPECT_STREQ(resources, c.resources);
        free(module);
        free(resources);
    }
    char* module = (char*)1;
    char* resources = (char*)1;
    EXPECT_EQ(vst3_folders_from_path(L"m.vst3", &module, &resources), -1);
    EXPECT_EQ(module, nullptr);
    // A lone surrogate is not text: refused, nothing left allocated.
    EXPECT_EQ(vst3_folders_from_path(L"A\\\xd800x\\B\\m.vst3", &module, &resources), -1);
    EXPECT_EQ(resources, nullptr);
}

}  // namespace
