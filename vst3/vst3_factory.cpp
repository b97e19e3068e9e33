// The one static factory: IPluginFactory to IPluginFactory3 in one table.
#include "vst3/vst3_binding.h"

#include <string.h>

static tresult factory_query_interface(Vst3PluginFactory* self, const uint8_t* iid, void** obj)
{
    if (!obj)
        return VST3_INVALID_ARGUMENT;
    if (vst3_iid_equal(iid, vst3_iid_funknown) || vst3_iid_equal(iid, vst3_iid_plugin_factory) ||
        vst3_iid_equal(iid, vst3_iid_plugin_factory2) ||
        vst3_iid_equal(iid, vst3_iid_plugin_factory3)) {
        *obj = self;
        return VST3_OK;
    }
    *obj = NULL;
    return VST3_NO_INTERFACE;
}

// The factory is static: counting references would only mislead.
static uint32_t factory_add_ref(Vst3PluginFactory* self)
{
    (void)self;
    return 1;
}

static uint32_t factory_release(Vst3PluginFactory* self)
{
    (void)self;
    return 1;
}

// Copies a text into a fixed field, always terminated.
static void copy_text(char* field, size_t size, const char* text)
{
    memset(field, 0, size);
    strncpy(field, text, size - 1);
}

// The three class records start alike.
static void fill_head(const Vst3ClassFacts* c, uint8_t* cid, int32_t* cardinality,
                      char* category)
{
    memcpy(cid, c->cid, 16);
    *cardinality = c->cardinality;
    copy_text(category, 32, c->category);
}

static tresult factory_get_factory_info(Vst3PluginFactory* self, Vst3FactoryInfo* info)
{
    (void)self;
    if (!info)
        return VST3_INVALID_ARGUMENT;
    copy_text(info->vendor, sizeof info->vendor, vst3_factory_facts.vendor);
    copy_text(info->url, sizeof info->url, vst3_factory_facts.url);
    copy_text(info->email, sizeof info->email, vst3_factory_facts.email);
    info->flags = vst3_factory_facts.flags;
    return VST3_OK;
}

static int32_t factory_count_classes(Vst3PluginFactory* self)
{
    (void)self;
    return VST3_CLASS_COUNT;
}

static const Vst3ClassFacts* class_at(int32_t index)
{
    if (index < 0 || index >= VST3_CLASS_COUNT)
        return NULL;
    return &vst3_class_facts[index];
}

static tresult factory_get_class_info(Vst3PluginFactory* self, int32_t index, Vst3ClassInfo* info)
{
    (void)self;
    const Vst3ClassFacts* c = class_at(index);
    if (!c || !info)
        return VST3_INVALID_ARGUMENT;
    fill_head(c, info->cid, &info->cardinality, info->category);
    copy_text(info->name, sizeof info->name, c->name);
    return VST3_OK;
}

static tresult factory_get_class_info2(Vst3PluginFactory* self, int32_t index,
                                       Vst3ClassInfo2* info)
{
    (void)self;
    const Vst3ClassFacts* c = class_at(index);
    if (!c || !info)
        return VST3_INVALID_ARGUMENT;
    fill_head(c, info->cid, &info->cardinality, info->category);
    copy_text(info->name, sizeof info->name, c->name);
    info->class_flags = c->class_flags;
    copy_text(info->sub_categories, sizeof info->sub_categories, c->sub_categories);
    copy_text(info->vendor, sizeof info->vendor, c->vendor);
    copy_text(info->version, sizeof info->version, c->version);
    copy_text(info->sdk_version, sizeof info->sdk_version, c->sdk_version);
    return VST3_OK;
}

static tresult factory_get_class_info_unicode(Vst3PluginFactory* self, int32_t index,
                                              Vst3ClassInfoW* info)
{
    (void)self;
    const Vst3ClassFacts* c = class_at(index);
    if (!c || !info)
        return VST3_INVALID_ARGUMENT;
    fill_head(c, info->cid, &info->cardinality, info->category);
    vst3_copy_ascii16(info->name, 64, c->name);
    info->class_flags = c->class_flags;
    copy_text(info->sub_categories, sizeof info->sub_categories, c->sub_categories);
    vst3_copy_ascii16(info->vendor, 64, c->vendor);
    vst3_copy_ascii16(info->version, 64, c->version);
    vst3_copy_ascii16(info->sdk_version, 64, c->sdk_version_unicode);
    return VST3_OK;
}

static tresult factory_create_instance(Vst3PluginFactory* self, const uint8_t* cid,
                                       const uint8_t* iid, void** obj)
{
    (void)self;
    if (!obj)
        return VST3_INVALID_ARGUMENT;
    int is_base = vst3_iid_equal(iid, vst3_iid_funknown) ||
                  vst3_iid_equal(iid, vst3_iid_plugin_base);
    if (vst3_iid_equal(cid, vst3_class_facts[VST3_CLASS_PROCESSOR].cid)) {
        if (!is_base && !vst3_iid_equal(iid, vst3_iid_component))
            return VST3_NO_INTERFACE;
        Vst3Component* component = vst3_processor_create();
        if (!component)
            return VST3_OUT_OF_MEMORY;
        *obj = component;
        return VST3_OK;
    }
    if (vst3_iid_equal(cid, vst3_class_facts[VST3_CLASS_CONTROLLER].cid)) {
        if (!is_base && !vst3_iid_equal(iid, vst3_iid_edit_controller))
            return VST3_NO_INTERFACE;
        Vst3EditController* controller = vst3_controller_create();
        if (!controller)
            return VST3_OUT_OF_MEMORY;
        *obj = controller;
        return VST3_OK;
    }
    *obj = NULL;
    return VST3_NO_INTERFACE;
}

static tresult factory_set_host_context(Vst3PluginFactory* self, Vst3FUnknown* context)
{
    (void)self;
    (void)context;
    return VST3_NOT_IMPLEMENTED;
}

static const Vst3PluginFactoryVtbl factory_vtbl = {
    factory_query_interface,
    factory_add_ref,
    factory_release,
    factory_get_factory_info,
    factory_count_classes,
    factory_get_class_info,
    factory_create_instance,
    factory_get_class_info2,
    factory_get_class_info_unicode,
    factory_set_host_context,
};

Vst3PluginFactory vst3_factory = {&factory_vtbl};
