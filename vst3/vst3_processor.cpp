// The audio processor component: IComponent, IAudioProcessor,
// IProcessContextRequirements and IConnectionPoint over one record. The
// engine's values are shared with getState and setState through the
// parameter exchange; the audio thread never waits for it.
#include "vst3/vst3_binding.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "engine/denormal_guard.h"

enum { PROCESSOR_COMPONENT, PROCESSOR_AUDIO, PROCESSOR_REQUIREMENTS, PROCESSOR_CONNECTION };

#define processor_of(self, k) VST3_OBJECT_OF(vst3_processor, self, k)

// ---- FUnknown, the same on all four interfaces ----

static const Vst3InterfaceIid processor_iids[] = {
    {vst3_iid_funknown, PROCESSOR_COMPONENT},
    {vst3_iid_plugin_base, PROCESSOR_COMPONENT},
    {vst3_iid_component, PROCESSOR_COMPONENT},
    {vst3_iid_audio_processor, PROCESSOR_AUDIO},
    {vst3_iid_process_context_requirements, PROCESSOR_REQUIREMENTS},
    {vst3_iid_connection_point, PROCESSOR_CONNECTION},
};

static tresult processor_query(vst3_processor* p, const uint8_t* iid, void** obj)
{
    return vst3_object_query(p, &p->ref_count, processor_iids,
                             sizeof processor_iids / sizeof processor_iids[0], iid, obj);
}

static uint32_t processor_add_ref(vst3_processor* p) { return vst3_object_add_ref(&p->ref_count); }

static uint32_t processor_release(vst3_processor* p)
{
    uint32_t count = vst3_object_release(&p->ref_count);
    if (count == 0)
        free(p);
    return count;
}

#define PROCESSOR_FUNKNOWN(prefix, T, k) \
    VST3_FUNKNOWN_THUNKS(prefix, T, vst3_processor, k, processor_query, processor_add_ref, processor_release)

PROCESSOR_FUNKNOWN(component, Vst3Component, PROCESSOR_COMPONENT)
PROCESSOR_FUNKNOWN(audio, Vst3AudioProcessor, PROCESSOR_AUDIO)
PROCESSOR_FUNKNOWN(requirements, Vst3ProcessContextRequirements, PROCESSOR_REQUIREMENTS)
PROCESSOR_FUNKNOWN(connection, Vst3ConnectionPoint, PROCESSOR_CONNECTION)

// ---- IComponent ----

// Everything but the interfaces, the count and the context.
static void processor_reset_fields(vst3_processor* p)
{
    engine_init(&p->engine);
    float defaults[ENGINE_PARAM_COUNT];
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        defaults[i] = engine_params[i].default_value;
    param_exchange_init(&p->exchange, defaults);
    p->active_sample_rate = 0;
    p->setup_sample_rate = 0;
    p->in_channel = NULL;
    p->out_channel = NULL;
    p->processing_enabled = 0;
    p->input_active = 0;
    p->output_active = 0;
}

static tresult component_initialize(Vst3Component* self, Vst3FUnknown* context)
{
    vst3_processor* p = processor_of(self, PROCESSOR_COMPONENT);
    if (p->context)
        return VST3_FALSE;
    p->context = context;
    processor_reset_fields(p);
    return VST3_OK;
}

static tresult component_terminate(Vst3Component* self)
{
    processor_of(self, PROCESSOR_COMPONENT)->context = NULL;
    return VST3_OK;
}

static tresult component_get_controller_class_id(Vst3Component* self, uint8_t* class_id)
{
    (void)self;
    if (!class_id)
        return VST3_FALSE;
    memcpy(class_id, vst3_class_facts[VST3_CLASS_CONTROLLER].cid, 16);
    return VST3_OK;
}

static tresult component_set_io_mode(Vst3Component* self, int32_t mode)
{
    (void)self;
    (void)mode;
    return VST3_NOT_IMPLEMENTED;
}

static int32_t component_get_bus_count(Vst3Component* self, int32_t type, int32_t dir)
{
    (void)self;
    return type == VST3_AUDIO && (dir == VST3_INPUT || dir == VST3_OUTPUT) ? 1 : 0;
}

static tresult component_get_bus_info(Vst3Component* self, int32_t type, int32_t dir,
                                      int32_t index, Vst3BusInfo* bus)
{
    (void)self;
    if (index < 0 || type != VST3_AUDIO || index != 0 || !bus)
        return VST3_INVALID_ARGUMENT;
    if (dir != VST3_INPUT && dir != VST3_OUTPUT)
        return VST3_INVALID_ARGUMENT;
    bus->media_type = VST3_AUDIO;
    bus->direction = dir;
    bus->channel_count = 1;
    vst3_copy_ascii16(bus->name, 128, dir == VST3_INPUT ? "Input" : "Output");
    bus->bus_type = VST3_MAIN_BUS;
    bus->flags = VST3_DEFAULT_ACTIVE;
    return VST3_OK;
}

static tresult component_get_routing_info(Vst3Component* self, Vst3RoutingInfo* in_info,
                                          Vst3RoutingInfo* out_info)
{
    (void)self;
    (void)in_info;
    (void)out_info;
    return VST3_NOT_IMPLEMENTED;
}

static tresult component_activate_bus(Vst3Component* self, int32_t type, int32_t dir,
                                      int32_t index, vst3_bool state)
{
    vst3_processor* p = processor_of(self, PROCESSOR_COMPONENT);
    if (index < 0 || type != VST3_AUDIO || index != 0)
        return VST3_INVALID_ARGUMENT;
    if (dir == VST3_INPUT)
        p->input_active = state ? 1 : 0;
    else if (dir == VST3_OUTPUT)
        p->output_active = state ? 1 : 0;
    else
        return VST3_INVALID_ARGUMENT;
    return VST3_OK;
}

static tresult component_set_active(Vst3Component* self, vst3_bool state)
{
    vst3_processor* p = processor_of(self, PROCESSOR_COMPONENT);
    if (!state)
        return VST3_OK;
    float fs = p->setup_sample_rate;
    // The engine is never set up for a rate it cannot run at: without a
    // valid setupProcessing the processor stays silent.
    if (!(fs > 0.0f) || !isfinite(fs)) {
        p->processing_enabled = 0;
        return VST3_OK;
    }
    ParamExchange* px = &p->exchange;
    param_exchange_lock(px);
    // A restore still pending reaches the engine before the reset, so the
    // first block starts on the restored values without a glide.
    param_exchange_sync(px, &p->engine);
    engine_set_sample_rate(&p->engine, fs);
    engine_reset(&p->engine);
    param_exchange_unlock(px);
    p->active_sample_rate = fs;
    p->processing_enabled = p->input_active && p->output_active ? 1 : 0;
    return VST3_OK;
}

// setState's values are gathered first and handed over together.
typedef struct ProcessorRestore {
    vst3_processor* processor;
    float values[ENGINE_PARAM_COUNT];
} ProcessorRestore;

static void restore_lock(void* user_data) { (void)user_data; }

static void restore_set_parameter(void* user_data, int32_t index, float value)
{
    ProcessorRestore* r = (ProcessorRestore*)user_data;
    // The loading rules refuse NaN already; a NaN never becomes a value.
    if (value == value)
        r->values[index] = (float)vst3_limit_plain(index, value);
}

static void restore_unlock(void* user_data)
{
    ProcessorRestore* r = (ProcessorRestore*)user_data;
    param_exchange_hand_over(&r->processor->exchange, r->values);
}

static tresult component_set_state(Vst3Component* self, Vst3BStream* stream)
{
    vst3_processor* p = processor_of(self, PROCESSOR_COMPONENT);
    ProcessorRestore restore;
    restore.processor = p;
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        restore.values[i] = engine_params[i].default_value;
    state_load_callbacks callbacks = {&restore, restore_lock, restore_unlock,
                                      restore_set_parameter};
    return vst3_state_load_stream(stream, &callbacks) == 0 ? VST3_OK : VST3_FALSE;
}

static tresult component_get_state(Vst3Component* self, Vst3BStream* stream)
{
    vst3_processor* p = processor_of(self, PROCESSOR_COMPONENT);
    if (!stream)
        return VST3_FALSE;
    float values[ENGINE_PARAM_COUNT];
    // While a restore is pending these are the restored values: a host that
    // saves before audio runs keeps what it has just set.
    param_exchange_read(&p->exchange, &p->engine, values);
    return vst3_state_save(stream, values, p->active_sample_rate);
}

static const Vst3ComponentVtbl component_vtbl = {
    component_query_interface,
    component_add_ref,
    component_release,
    component_initialize,
    component_terminate,
    component_get_controller_class_id,
    component_set_io_mode,
    component_get_bus_count,
    component_get_bus_info,
    component_get_routing_info,
    component_activate_bus,
    component_set_active,
    component_set_state,
    component_get_state,
};

// ---- IAudioProcessor ----

static tresult audio_set_bus_arrangements(Vst3AudioProcessor* self,
                                          vst3_speaker_arrangement* inputs, int32_t num_ins,
                                          vst3_speaker_arrangement* outputs, int32_t num_outs)
{
    (void)self;
    if (num_ins < 0 || num_outs < 0)
        return VST3_INVALID_ARGUMENT;
    if (num_ins == 1 && num_outs == 1 && inputs && outputs &&
        inputs[0] == VST3_SPEAKER_MONO && outputs[0] == VST3_SPEAKER_MONO)
        return VST3_OK;
    return VST3_FALSE;
}

static tresult audio_get_bus_arrangement(Vst3AudioProcessor* self, int32_t dir, int32_t index,
                                         vst3_speaker_arrangement* arr)
{
    (void)self;
    if ((dir != VST3_INPUT && dir != VST3_OUTPUT) || index != 0 || !arr)
        return VST3_INVALID_ARGUMENT;
    *arr = VST3_SPEAKER_MONO;
    return VST3_OK;
}

static tresult audio_can_process_sample_size(Vst3AudioProcessor* self, int32_t size)
{
    (void)self;
    return size == VST3_SAMPLE32 ? VST3_TRUE : VST3_NOT_IMPLEMENTED;
}

static uint32_t audio_get_latency_samples(Vst3AudioProcessor* self)
{
    (void)self;
    return 0;
}

static tresult audio_setup_processing(Vst3AudioProcessor* self, Vst3ProcessSetup* setup)
{
    if (!setup)
        return VST3_INVALID_ARGUMENT;
    processor_of(self, PROCESSOR_AUDIO)->setup_sample_rate = (float)setup->sample_rate;
    return VST3_OK;
}

static tresult audio_set_processing(Vst3AudioProcessor* self, vst3_bool state)
{
    (void)self;
    (void)state;
    return VST3_NOT_IMPLEMENTED;
}

enum { BEFORE_BLOCK, AFTER_BLOCK };

// Brings the engine up to date at one block edge: first whatever a state
// call left behind, then the first (before) or last (after) point of each
// host queue. Without the lock, new values wait in param_values.
static void vst3_sync_parameters(vst3_processor* p, Vst3ProcessData* data, int phase)
{
    ParamExchange* px = &p->exchange;
    int locked = param_exchange_try_lock(px);
    if (locked)
        param_exchange_sync(px, &p->engine);
    Vst3ParameterChanges* changes = data->input_parameter_changes;
    if (changes) {
        int32_t queues = changes->vtbl->get_parameter_count(changes);
        for (int32_t k = 0; k < queues; k++) {
            Vst3ParamValueQueue* queue = changes->vtbl->get_parameter_data(changes, k);
            if (!queue)
                continue;
            int32_t count = queue->vtbl->get_point_count(queue);
            if (count <= 0)
                continue;
            int32_t offset = 0;
            double value = 0;
            int32_t point = phase == BEFORE_BLOCK ? 0 : count - 1;
            if (queue->vtbl->get_point(queue, point, &offset, &value) != VST3_OK)
                continue;
            if (phase == BEFORE_BLOCK ? offset != 0 : offset <= 0)
                continue;
            // A NaN carries no value and never reaches the engine.
            if (value != value)
                continue;
            int32_t i = param_index_of_id(queue->vtbl->get_parameter_id(queue));
            if (i < 0)
                continue;
            double plain = vst3_limit_plain(i, vst3_normalized_to_plain(i, value));
            param_exchange_take(px, &p->engine, i, (float)plain, locked);
        }
    }
    if (locked)
        param_exchange_unlock(px);
}

// The first channel of bus 0, or null when the host gave none.
static float* first_channel(const Vst3AudioBusBuffers* buses, int32_t count)
{
    if (!buses || count < 1 || buses[0].num_channels < 1 || !buses[0].channel_buffers32)
        return NULL;
    return buses[0].channel_buffers32[0];
}

static void zero_outputs(const Vst3ProcessData* data, uint32_t n)
{
    if (!data->outputs)
        return;
    for (int32_t b = 0; b < data->num_outputs; b++) {
        const Vst3AudioBusBuffers* bus = &data->outputs[b];
        if (!bus->channel_buffers32)
            continue;
        for (int32_t c = 0; c < bus->num_channels; c++)
            if (bus->channel_buffers32[c])
                memset(bus->channel_buffers32[c], 0, n * sizeof(float));
    }
}

static tresult audio_process(Vst3AudioProcessor* self, Vst3ProcessData* data)
{
    vst3_processor* p = processor_of(self, PROCESSOR_AUDIO);
    if (!data)
        return VST3_OK;
    uint32_t saved_csr = denormal_guard_enter();
    vst3_sync_parameters(p, data, BEFORE_BLOCK);

    uint32_t n = data->num_samples > 0 ? (uint32_t)data->num_samples : 0;
    if (n > 0) {
        p->in_channel = first_channel(data->inputs, data->num_inputs);
        p->out_channel = first_channel(data->outputs, data->num_outputs);
        if (p->processing_enabled && p->in_channel && p->out_channel) {
            engine_process(&p->engine, p->in_channel, p->out_channel, n);
            // The mono result goes to every further channel of the output bus.
            const Vst3AudioBusBuffers* bus = &data->outputs[0];
            for (int32_t c = 1; c < bus->num_channels; c++)
                if (bus->channel_buffers32[c] && bus->channel_buffers32[c] != p->out_channel)
                    memcpy(bus->channel_buffers32[c], p->out_channel, n * sizeof(float));
        } else {
            zero_outputs(data, n);
        }
    }

    vst3_sync_parameters(p, data, AFTER_BLOCK);
    denormal_guard_leave(saved_csr);
    return VST3_OK;
}

static uint32_t audio_get_tail_samples(Vst3AudioProcessor* self)
{
    (void)self;
    return 0;
}

static const Vst3AudioProcessorVtbl audio_vtbl = {
    audio_query_interface,
    audio_add_ref,
    audio_release,
    audio_set_bus_arrangements,
    audio_get_bus_arrangement,
    audio_can_process_sample_size,
    audio_get_latency_samples,
    audio_setup_processing,
    audio_set_processing,
    audio_process,
    audio_get_tail_samples,
};

// ---- IProcessContextRequirements ----

static uint32_t requirements_get(Vst3ProcessContextRequirements* self)
{
    (void)self;
    return 0;
}

static const Vst3ProcessContextRequirementsVtbl requirements_vtbl = {
    requirements_query_interface,
    requirements_add_ref,
    requirements_release,
    requirements_get,
};

// ---- IConnectionPoint ----

static const Vst3ConnectionPointVtbl connection_vtbl = {
    connection_query_interface,
    connection_add_ref,
    connection_release,
    vst3_connection_connect,
    vst3_connection_disconnect,
    vst3_connection_notify,
};

Vst3Component* vst3_processor_create(void)
{
    vst3_processor* p = (vst3_processor*)calloc(1, sizeof *p);
    if (!p)
        return NULL;
    p->component.vtbl = &component_vtbl;
    p->audio_processor.vtbl = &audio_vtbl;
    p->context_requirements.vtbl = &requirements_vtbl;
    p->connection_point.vtbl = &connection_vtbl;
    p->ref_count = 1;
    p->context = NULL;
    // Defined values even for a host that skips initialize.
    processor_reset_fields(p);
    return &p->component;
}
