// The edit controller: IEditController, IMidiMapping and IConnectionPoint
// over one record. It lives on the host's main thread and learns values only
// from the host and from its editor views.
#include "vst3/vst3_binding.h"

#include <stdlib.h>
#include <string.h>

enum { CONTROLLER_EDIT, CONTROLLER_MIDI, CONTROLLER_CONNECTION };

#define controller_of(self, k) VST3_OBJECT_OF(vst3_controller, self, k)

// ---- FUnknown ----

static const Vst3InterfaceIid controller_iids[] = {
    {vst3_iid_funknown, CONTROLLER_EDIT},
    {vst3_iid_plugin_base, CONTROLLER_EDIT},
    {vst3_iid_edit_controller, CONTROLLER_EDIT},
    {vst3_iid_midi_mapping, CONTROLLER_MIDI},
    {vst3_iid_connection_point, CONTROLLER_CONNECTION},
};

static tresult controller_query(vst3_controller* c, const uint8_t* iid, void** obj)
{
    return vst3_object_query(c, &c->ref_count, controller_iids,
                             sizeof controller_iids / sizeof controller_iids[0], iid, obj);
}

static uint32_t controller_add_ref(vst3_controller* c) { return vst3_object_add_ref(&c->ref_count); }

static void controller_set_handler(vst3_controller* c, Vst3ComponentHandler* handler)
{
    if (handler == c->component_handler)
        return;
    if (c->component_handler)
        c->component_handler->vtbl->release(c->component_handler);
    c->component_handler = handler;
    if (handler)
        handler->vtbl->add_ref(handler);
}

static uint32_t controller_release(vst3_controller* c)
{
    uint32_t count = vst3_object_release(&c->ref_count);
    if (count == 0) {
        // The controller holds no reference on its views: a view the host
        // still holds lives on without it, and the host releases it later.
        for (size_t i = 0; i < c->view_count; i++)
            if (c->views[i])
                c->views[i]->controller = NULL;
        free(c->views);
        controller_set_handler(c, NULL);
        free(c);
    }
    return count;
}

#define CONTROLLER_FUNKNOWN(prefix, T, k) \
    VST3_FUNKNOWN_THUNKS(prefix, T, vst3_controller, k, controller_query, controller_add_ref, controller_release)

CONTROLLER_FUNKNOWN(edit, Vst3EditController, CONTROLLER_EDIT)
CONTROLLER_FUNKNOWN(midi, Vst3MidiMapping, CONTROLLER_MIDI)
CONTROLLER_FUNKNOWN(controller_connection, Vst3ConnectionPoint, CONTROLLER_CONNECTION)

// ---- IEditController ----

static void controller_set_defaults(vst3_controller* c)
{
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        c->plain_values[i] = engine_params[i].default_value;
}

static tresult edit_initialize(Vst3EditController* self, Vst3FUnknown* context)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    if (c->context)
        return VST3_FALSE;
    c->context = context;
    controller_set_defaults(c);
    return VST3_OK;
}

static tresult edit_terminate(Vst3EditController* self)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    c->context = NULL;
    // Hosts expect their references dropped here.
    controller_set_handler(c, NULL);
    return VST3_OK;
}

// Every attached view, in slot order, shows the parameter's value.
static void controller_show_value(vst3_controller* c, int32_t index)
{
    for (size_t k = 0; k < c->view_count; k++)
        if (c->views[k])
            vst3_view_show_value(c->views[k], index, c->plain_values[index]);
}

// Values of a loaded document are gathered and applied together, so a
// document cut short leaves the controller as it was.
typedef struct ControllerRestore {
    double values[ENGINE_PARAM_COUNT];
} ControllerRestore;

static void restore_nothing(void* user_data) { (void)user_data; }

static void restore_set_parameter(void* user_data, int32_t index, float value)
{
    ControllerRestore* r = (ControllerRestore*)user_data;
    if (value == value)
        r->values[index] = vst3_limit_plain(index, value);
}

static tresult edit_set_component_state(Vst3EditController* self, Vst3BStream* stream)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    ControllerRestore restore;
    memcpy(restore.values, c->plain_values, sizeof restore.values);
    state_load_callbacks callbacks = {&restore, restore_nothing, restore_nothing,
                                      restore_set_parameter};
    if (vst3_state_load_stream(stream, &callbacks) != 0)
        return VST3_FALSE;
    memcpy(c->plain_values, restore.values, sizeof c->plain_values);
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        controller_show_value(c, i);
    return VST3_OK;
}

static tresult edit_set_state(Vst3EditController* self, Vst3BStream* stream)
{
    (void)self;
    (void)stream;
    return VST3_NOT_IMPLEMENTED;
}

static tresult edit_get_state(Vst3EditController* self, Vst3BStream* stream)
{
    (void)self;
    (void)stream;
    return VST3_NOT_IMPLEMENTED;
}

static int32_t edit_get_parameter_count(Vst3EditController* self)
{
    (void)self;
    return ENGINE_PARAM_COUNT;
}

static tresult edit_get_parameter_info(Vst3EditController* self, int32_t index,
                                       Vst3ParameterInfo* info)
{
    (void)self;
    if (index < 0 || index >= ENGINE_PARAM_COUNT || !info)
        return VST3_FALSE;
    const EngineParamInfo* param = &engine_params[index];
    info->id = vst3_param_ids[index];
    vst3_copy_ascii16(info->title, 128, param->name);
    vst3_copy_ascii16(info->short_title, 128, param->name);
    vst3_copy_ascii16(info->units, 128, param->unit);
    info->step_count = param->step_count;
    info->default_normalized_value =
        ((double)param->default_value - param->minimum) / ((double)param->maximum - param->minimum);
    info->unit_id = 0;
    info->flags = VST3_CAN_AUTOMATE | (index == ENGINE_PARAM_BYPASS ? VST3_IS_BYPASS : 0);
    return VST3_OK;
}

static tresult edit_get_param_string_by_value(Vst3EditController* self, vst3_param_id id,
                                              double value, vst3_char16* string)
{
    (void)self;
    return format_param_string(id, value, string);
}

static tresult edit_get_param_value_by_string(Vst3EditController* self, vst3_param_id id,
                                              vst3_char16* string, double* value)
{
    (void)self;
    return parse_param_string(id, string, value);
}

// The three conversions have no error result: an unknown id gives 0.
static double edit_normalized_param_to_plain(Vst3EditController* self, vst3_param_id id,
                                             double value)
{
    (void)self;
    int32_t i = param_index_of_id(id);
    return i < 0 ? 0.0 : vst3_normalized_to_plain(i, value);
}

static double edit_plain_param_to_normalized(Vst3EditController* self, vst3_param_id id,
                                             double plain)
{
    (void)self;
    int32_t i = param_index_of_id(id);
    if (i < 0)
        return 0.0;
    double minimum = engine_params[i].minimum;
    double maximum = engine_params[i].maximum;
    return (plain - minimum) / (maximum - minimum);
}

static double edit_get_param_normalized(Vst3EditController* self, vst3_param_id id)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    int32_t i = param_index_of_id(id);
    return i < 0 ? 0.0 : edit_plain_param_to_normalized(self, id, c->plain_values[i]);
}

static tresult edit_set_param_normalized(Vst3EditController* self, vst3_param_id id,
                                         double value)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    int32_t i = param_index_of_id(id);
    // A NaN carries no value: the parameter keeps the one it has.
    if (i < 0 || value != value)
        return VST3_FALSE;
    c->plain_values[i] = vst3_limit_plain(i, vst3_normalized_to_plain(i, value));
    controller_show_value(c, i);
    return VST3_OK;
}

static tresult edit_set_component_handler(Vst3EditController* self,
                                          Vst3ComponentHandler* handler)
{
    controller_set_handler(controller_of(self, CONTROLLER_EDIT), handler);
    return VST3_OK;
}

void vst3_controller_forget_view(vst3_controller* c, vst3_view* view)
{
    for (size_t k = 0; k < c->view_count; k++)
        if (c->views[k] == view) {
            c->views[k] = NULL;
            return;
        }
}

// The first free slot of the registry, growing it by one when all are taken.
static struct vst3_view** controller_free_slot(vst3_controller* c)
{
    for (size_t k = 0; k < c->view_count; k++)
        if (!c->views[k])
            return &c->views[k];
    struct vst3_view** views =
        (struct vst3_view**)realloc(c->views, (c->view_count + 1) * sizeof *views);
    if (!views)
        return NULL;
    c->views = views;
    views[c->view_count] = NULL;
    return &views[c->view_count++];
}

static Vst3FUnknown* edit_create_view(Vst3EditController* self, const char* name)
{
    vst3_controller* c = controller_of(self, CONTROLLER_EDIT);
    if (!name || strcmp(name, "editor") != 0)
        return NULL;
    vst3_view* view = vst3_view_create(c);
    if (!view)
        return NULL;
    struct vst3_view** slot = controller_free_slot(c);
    if (!slot) {
        free(view);
        return NULL;
    }
    *slot = view;
    // The caller owns the view's one reference.
    return (Vst3FUnknown*)(void*)&view->plug_view;
}

static const Vst3EditControllerVtbl edit_vtbl = {
    edit_query_interface,
    edit_add_ref,
    edit_release,
    edit_initialize,
    edit_terminate,
    edit_set_component_state,
    edit_set_state,
    edit_get_state,
    edit_get_parameter_count,
    edit_get_parameter_info,
    edit_get_param_string_by_value,
    edit_get_param_value_by_string,
    edit_normalized_param_to_plain,
    edit_plain_param_to_normalized,
    edit_get_param_normalized,
    edit_set_param_normalized,
    edit_set_component_handler,
    edit_create_view,
};

// ---- IMidiMapping: no controller is mapped ----

static tresult midi_get_assignment(Vst3MidiMapping* self, int32_t bus_index, int16_t channel,
                                   int16_t controller, vst3_param_id* id)
{
    (void)self;
    (void)bus_index;
    (void)channel;
    (void)controller;
    (void)id;
    return VST3_INVALID_ARGUMENT;
}

static const Vst3MidiMappingVtbl midi_vtbl = {
    midi_query_interface,
    midi_add_ref,
    midi_release,
    midi_get_assignment,
};

// ---- IConnectionPoint ----

static const Vst3ConnectionPointVtbl connection_vtbl = {
    controller_connection_query_interface,
    controller_connection_add_ref,
    controller_connection_release,
    vst3_connection_connect,
    vst3_connection_disconnect,
    vst3_connection_notify,
};

Vst3EditController* vst3_controller_create(void)
{
    vst3_controller* c = (vst3_controller*)calloc(1, sizeof *c);
    if (!c)
        return NULL;
    c->edit_controller.vtbl = &edit_vtbl;
    c->midi_mapping.vtbl = &midi_vtbl;
    c->connection_point.vtbl = &connection_vtbl;
    c->ref_count = 1;
    // Defined values even for a host that skips initialize.
    controller_set_defaults(c);
    return &c->edit_controller;
}
