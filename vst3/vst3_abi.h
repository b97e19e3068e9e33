// The VST3 interfaces this module implements or calls, declared by hand as
// records whose first member points to a table of functions in slot order.
// Windows x86-64 only: identifiers are in COM byte order and results carry
// their HRESULT values. The static_asserts at the end pin every record and
// table to the layout real hosts use, so a wrong declaration does not build.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef int32_t tresult;
typedef char16_t vst3_char16;
typedef uint8_t vst3_bool;
typedef uint32_t vst3_param_id;
typedef uint64_t vst3_speaker_arrangement;
typedef uint8_t vst3_tuid[16];

enum {
    VST3_OK = 0,
    VST3_TRUE = 0,
    VST3_FALSE = 1,
};
#define VST3_NO_INTERFACE ((tresult)0x80004002u)
#define VST3_NOT_IMPLEMENTED ((tresult)0x80004001u)
#define VST3_INVALID_ARGUMENT ((tresult)0x80070057u)
#define VST3_OUT_OF_MEMORY ((tresult)0x8007000Eu)

enum {
    VST3_FACTORY_UNICODE = 16,
    VST3_MANY_INSTANCES = 0x7FFFFFFF,
    VST3_DISTRIBUTABLE = 1,
    VST3_AUDIO = 0,
    VST3_EVENT = 1,
    VST3_INPUT = 0,
    VST3_OUTPUT = 1,
    VST3_MAIN_BUS = 0,
    VST3_DEFAULT_ACTIVE = 1,
    VST3_SAMPLE32 = 0,
    VST3_SAMPLE64 = 1,
    VST3_CAN_AUTOMATE = 0x1,
    VST3_IS_BYPASS = 0x10000,
    VST3_SEEK_SET = 0,
    VST3_SEEK_CUR = 1,
    VST3_SEEK_END = 2,
};
#define VST3_SPEAKER_MONO ((vst3_speaker_arrangement)0x80000)

// Interface identifiers, 16 bytes each in COM memory order.
extern const vst3_tuid vst3_iid_funknown;
extern const vst3_tuid vst3_iid_plugin_base;
extern const vst3_tuid vst3_iid_plugin_factory;
extern const vst3_tuid vst3_iid_plugin_factory2;
extern const vst3_tuid vst3_iid_plugin_factory3;
extern const vst3_tuid vst3_iid_component;
extern const vst3_tuid vst3_iid_audio_processor;
extern const vst3_tuid vst3_iid_process_context_requirements;
extern const vst3_tuid vst3_iid_connection_point;
extern const vst3_tuid vst3_iid_edit_controller;
extern const vst3_tuid vst3_iid_midi_mapping;
extern const vst3_tuid vst3_iid_plug_view;
extern const vst3_tuid vst3_iid_bstream;
extern const vst3_tuid vst3_iid_parameter_changes;
extern const vst3_tuid vst3_iid_param_value_queue;
extern const vst3_tuid vst3_iid_component_handler;

// All 16 bytes; the host's pointer may have any alignment.
int vst3_iid_equal(const void* a, const vst3_tuid b);

// ---- Records ----

typedef struct Vst3FactoryInfo {
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
} Vst3FactoryInfo;

typedef struct Vst3ClassInfo {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
} Vst3ClassInfo;

typedef struct Vst3ClassInfo2 {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t class_flags;
    char sub_categories[128];
    char vendor[64];
    char version[64];
    char sdk_version[64];
} Vst3ClassInfo2;

typedef struct Vst3ClassInfoW {
    uint8_t cid[16];
    int32_t cardinality;
    char category[32];
    vst3_char16 name[64];
    uint32_t class_flags;
    char sub_categories[128];
    vst3_char16 vendor[64];
    vst3_char16 version[64];
    vst3_char16 sdk_version[64];
} Vst3ClassInfoW;

typedef struct Vst3BusInfo {
    int32_t media_type;
    int32_t direction;
    int32_t channel_count;
    vst3_char16 name[128];
    int32_t bus_type;
    uint32_t flags;
} Vst3BusInfo;

typedef struct Vst3RoutingInfo {
    int32_t media_type;
    int32_t bus_index;
    int32_t channel;
} Vst3RoutingInfo;

typedef struct Vst3ParameterInfo {
    vst3_param_id id;
    vst3_char16 title[128];
    vst3_char16 short_title[128];
    vst3_char16 units[128];
    int32_t step_count;
    double default_normalized_value;
    int32_t unit_id;
    int32_t flags;
} Vst3ParameterInfo;

typedef struct Vst3ProcessSetup {
    int32_t process_mode;
    int32_t symbolic_sample_size;
    int32_t max_samples_per_block;
    double sample_rate;
} Vst3ProcessSetup;

typedef struct Vst3AudioBusBuffers {
    int32_t num_channels;
    uint64_t silence_flags;
    float** channel_buffers32;  // shares its place with the 64-bit buffers
} Vst3AudioBusBuffers;

struct Vst3ParameterChanges;

typedef struct Vst3ProcessData {
    int32_t process_mode;
    int32_t symbolic_sample_size;
    int32_t num_samples;
    int32_t num_inputs;
    int32_t num_outputs;
    Vst3AudioBusBuffers* inputs;
    Vst3AudioBusBuffers* outputs;
    struct Vst3ParameterChanges* input_parameter_changes;
    struct Vst3ParameterChanges* output_parameter_changes;
    void* input_events;
    void* output_events;
    void* process_context;
} Vst3ProcessData;

// ---- Interfaces ----
// Every interface is a record whose only member points to its table; the
// tables repeat the base slots first. `self` is the interface pointer the
// caller holds.

typedef struct Vst3FUnknown {
    const struct Vst3FUnknownVtbl* vtbl;
} Vst3FUnknown;

#define VST3_FUNKNOWN_SLOTS(T)                                              \
    tresult (*query_interface)(T * self, const uint8_t* iid, void** obj);  \
    uint32_t (*add_ref)(T * self);                                          \
    uint32_t (*release)(T * self)

typedef struct Vst3FUnknownVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3FUnknown);
} Vst3FUnknownVtbl;

// IPluginFactory, IPluginFactory2 and IPluginFactory3 in one table.
typedef struct Vst3PluginFactory {
    const struct Vst3PluginFactoryVtbl* vtbl;
} Vst3PluginFactory;

typedef struct Vst3PluginFactoryVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3PluginFactory);
    tresult (*get_factory_info)(Vst3PluginFactory* self, Vst3FactoryInfo* info);
    int32_t (*count_classes)(Vst3PluginFactory* self);
    tresult (*get_class_info)(Vst3PluginFactory* self, int32_t index, Vst3ClassInfo* info);
    tresult (*create_instance)(Vst3PluginFactory* self, const uint8_t* cid,
                               const uint8_t* iid, void** obj);
    tresult (*get_class_info2)(Vst3PluginFactory* self, int32_t index, Vst3ClassInfo2* info);
    tresult (*get_class_info_unicode)(Vst3PluginFactory* self, int32_t index,
                                      Vst3ClassInfoW* info);
    tresult (*set_host_context)(Vst3PluginFactory* self, Vst3FUnknown* context);
} Vst3PluginFactoryVtbl;

typedef struct Vst3BStream {
    const struct Vst3BStreamVtbl* vtbl;
} Vst3BStream;

typedef struct Vst3BStreamVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3BStream);
    tresult (*read)(Vst3BStream* self, void* buffer, int32_t num_bytes, int32_t* num_read);
    tresult (*write)(Vst3BStream* self, void* buffer, int32_t num_bytes, int32_t* num_written);
    tresult (*seek)(Vst3BStream* self, int64_t pos, int32_t mode, int64_t* result);
    tresult (*tell)(Vst3BStream* self, int64_t* pos);
} Vst3BStreamVtbl;

typedef struct Vst3Component {
    const struct Vst3ComponentVtbl* vtbl;
} Vst3Component;

typedef struct Vst3ComponentVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3Component);
    tresult (*initialize)(Vst3Component* self, Vst3FUnknown* context);
    tresult (*terminate)(Vst3Component* self);
    tresult (*get_controller_class_id)(Vst3Component* self, uint8_t* class_id);
    tresult (*set_io_mode)(Vst3Component* self, int32_t mode);
    int32_t (*get_bus_count)(Vst3Component* self, int32_t type, int32_t dir);
    tresult (*get_bus_info)(Vst3Component* self, int32_t type, int32_t dir, int32_t index,
                            Vst3BusInfo* bus);
    tresult (*get_routing_info)(Vst3Component* self, Vst3RoutingInfo* in_info,
                                Vst3RoutingInfo* out_info);
    tresult (*activate_bus)(Vst3Component* self, int32_t type, int32_t dir, int32_t index,
                            vst3_bool state);
    tresult (*set_active)(Vst3Component* self, vst3_bool state);
    tresult (*set_state)(Vst3Component* self, Vst3BStream* state);
    tresult (*get_state)(Vst3Component* self, Vst3BStream* state);
} Vst3ComponentVtbl;

typedef struct Vst3AudioProcessor {
    const struct Vst3AudioProcessorVtbl* vtbl;
} Vst3AudioProcessor;

typedef struct Vst3AudioProcessorVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3AudioProcessor);
    tresult (*set_bus_arrangements)(Vst3AudioProcessor* self, vst3_speaker_arrangement* inputs,
                                    int32_t num_ins, vst3_speaker_arrangement* outputs,
                                    int32_t num_outs);
    tresult (*get_bus_arrangement)(Vst3AudioProcessor* self, int32_t dir, int32_t index,
                                   vst3_speaker_arrangement* arr);
    tresult (*can_process_sample_size)(Vst3AudioProcessor* self, int32_t size);
    uint32_t (*get_latency_samples)(Vst3AudioProcessor* self);
    tresult (*setup_processing)(Vst3AudioProcessor* self, Vst3ProcessSetup* setup);
    tresult (*set_processing)(Vst3AudioProcessor* self, vst3_bool state);
    tresult (*process)(Vst3AudioProcessor* self, Vst3ProcessData* data);
    uint32_t (*get_tail_samples)(Vst3AudioProcessor* self);
} Vst3AudioProcessorVtbl;

typedef struct Vst3ProcessContextRequirements {
    const struct Vst3ProcessContextRequirementsVtbl* vtbl;
} Vst3ProcessContextRequirements;

typedef struct Vst3ProcessContextRequirementsVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3ProcessContextRequirements);
    uint32_t (*get_process_context_requirements)(Vst3ProcessContextRequirements* self);
} Vst3ProcessContextRequirementsVtbl;

typedef struct Vst3ConnectionPoint {
    const struct Vst3ConnectionPointVtbl* vtbl;
} Vst3ConnectionPoint;

typedef struct Vst3ConnectionPointVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3ConnectionPoint);
    tresult (*connect)(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other);
    tresult (*disconnect)(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other);
    tresult (*notify)(Vst3ConnectionPoint* self, Vst3FUnknown* message);
} Vst3ConnectionPointVtbl;

typedef struct Vst3ComponentHandler {
    const struct Vst3ComponentHandlerVtbl* vtbl;
} Vst3ComponentHandler;

typedef struct Vst3ComponentHandlerVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3ComponentHandler);
    tresult (*begin_edit)(Vst3ComponentHandler* self, vst3_param_id id);
    tresult (*perform_edit)(Vst3ComponentHandler* self, vst3_param_id id, double value);
    tresult (*end_edit)(Vst3ComponentHandler* self, vst3_param_id id);
    tresult (*restart_component)(Vst3ComponentHandler* self, int32_t flags);
} Vst3ComponentHandlerVtbl;

typedef struct Vst3EditController {
    const struct Vst3EditControllerVtbl* vtbl;
} Vst3EditController;

typedef struct Vst3EditControllerVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3EditController);
    tresult (*initialize)(Vst3EditController* self, Vst3FUnknown* context);
    tresult (*terminate)(Vst3EditController* self);
    tresult (*set_component_state)(Vst3EditController* self, Vst3BStream* state);
    tresult (*set_state)(Vst3EditController* self, Vst3BStream* state);
    tresult (*get_state)(Vst3EditController* self, Vst3BStream* state);
    int32_t (*get_parameter_count)(Vst3EditController* self);
    tresult (*get_parameter_info)(Vst3EditController* self, int32_t index,
                                  Vst3ParameterInfo* info);
    tresult (*get_param_string_by_value)(Vst3EditController* self, vst3_param_id id,
                                         double value, vst3_char16* string);
    tresult (*get_param_value_by_string)(Vst3EditController* self, vst3_param_id id,
                                         vst3_char16* string, double* value);
    double (*normalized_param_to_plain)(Vst3EditController* self, vst3_param_id id,
                                        double value);
    double (*plain_param_to_normalized)(Vst3EditController* self, vst3_param_id id,
                                        double plain);
    double (*get_param_normalized)(Vst3EditController* self, vst3_param_id id);
    tresult (*set_param_normalized)(Vst3EditController* self, vst3_param_id id, double value);
    tresult (*set_component_handler)(Vst3EditController* self, Vst3ComponentHandler* handler);
    Vst3FUnknown* (*create_view)(Vst3EditController* self, const char* name);
} Vst3EditControllerVtbl;

typedef struct Vst3MidiMapping {
    const struct Vst3MidiMappingVtbl* vtbl;
} Vst3MidiMapping;

typedef struct Vst3MidiMappingVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3MidiMapping);
    tresult (*get_midi_controller_assignment)(Vst3MidiMapping* self, int32_t bus_index,
                                              int16_t channel, int16_t controller,
                                              vst3_param_id* id);
} Vst3MidiMappingVtbl;

typedef struct Vst3ParamValueQueue {
    const struct Vst3ParamValueQueueVtbl* vtbl;
} Vst3ParamValueQueue;

typedef struct Vst3ParamValueQueueVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3ParamValueQueue);
    vst3_param_id (*get_parameter_id)(Vst3ParamValueQueue* self);
    int32_t (*get_point_count)(Vst3ParamValueQueue* self);
    tresult (*get_point)(Vst3ParamValueQueue* self, int32_t index, int32_t* sample_offset,
                         double* value);
    tresult (*add_point)(Vst3ParamValueQueue* self, int32_t sample_offset, double value,
                         int32_t* index);
} Vst3ParamValueQueueVtbl;

typedef struct Vst3ParameterChanges {
    const struct Vst3ParameterChangesVtbl* vtbl;
} Vst3ParameterChanges;

typedef struct Vst3ParameterChangesVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3ParameterChanges);
    int32_t (*get_parameter_count)(Vst3ParameterChanges* self);
    Vst3ParamValueQueue* (*get_parameter_data)(Vst3ParameterChanges* self, int32_t index);
    Vst3ParamValueQueue* (*add_parameter_data)(Vst3ParameterChanges* self,
                                               const vst3_param_id* id, int32_t* index);
} Vst3ParameterChangesVtbl;

typedef struct Vst3ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} Vst3ViewRect;

// The host's frame: stored by the view, never called.
typedef struct Vst3PlugFrame Vst3PlugFrame;

typedef struct Vst3PlugView {
    const struct Vst3PlugViewVtbl* vtbl;
} Vst3PlugView;

typedef struct Vst3PlugViewVtbl {
    VST3_FUNKNOWN_SLOTS(Vst3PlugView);
    tresult (*is_platform_type_supported)(Vst3PlugView* self, const char* type);
    tresult (*attached)(Vst3PlugView* self, void* parent, const char* type);
    tresult (*removed)(Vst3PlugView* self);
    tresult (*on_wheel)(Vst3PlugView* self, float distance);
    tresult (*on_key_down)(Vst3PlugView* self, vst3_char16 key, int16_t key_code,
                           int16_t modifiers);
    tresult (*on_key_up)(Vst3PlugView* self, vst3_char16 key, int16_t key_code,
                         int16_t modifiers);
    tresult (*get_size)(Vst3PlugView* self, Vst3ViewRect* size);
    tresult (*on_size)(Vst3PlugView* self, Vst3ViewRect* new_size);
    tresult (*on_focus)(Vst3PlugView* self, vst3_bool state);
    tresult (*set_frame)(Vst3PlugView* self, Vst3PlugFrame* frame);
    tresult (*can_resize)(Vst3PlugView* self);
    tresult (*check_size_constraint)(Vst3PlugView* self, Vst3ViewRect* rect);
} Vst3PlugViewVtbl;

// ---- Layout checks ----

#define VST3_SLOTS(vtbl) (sizeof(vtbl) / sizeof(void (*)(void)))

static_assert(sizeof(vst3_char16) == 2, "char16");
static_assert(sizeof(tresult) == 4 && sizeof(vst3_bool) == 1, "basic types");

static_assert(sizeof(Vst3FactoryInfo) == 452 && alignof(Vst3FactoryInfo) == 4, "PFactoryInfo");
static_assert(offsetof(Vst3FactoryInfo, url) == 64 && offsetof(Vst3FactoryInfo, email) == 320 &&
                  offsetof(Vst3FactoryInfo, flags) == 448,
              "PFactoryInfo fields");

static_assert(sizeof(Vst3ClassInfo) == 116 && alignof(Vst3ClassInfo) == 4, "PClassInfo");
static_assert(offsetof(Vst3ClassInfo, cardinality) == 16 &&
                  offsetof(Vst3ClassInfo, category) == 20 && offsetof(Vst3ClassInfo, name) == 52,
              "PClassInfo fields");

static_assert(sizeof(Vst3ClassInfo2) == 440 && alignof(Vst3ClassInfo2) == 4, "PClassInfo2");
static_assert(offsetof(Vst3ClassInfo2, cardinality) == 16 &&
                  offsetof(Vst3ClassInfo2, category) == 20 &&
                  offsetof(Vst3ClassInfo2, name) == 52 &&
                  offsetof(Vst3ClassInfo2, class_flags) == 116 &&
                  offsetof(Vst3ClassInfo2, sub_categories) == 120 &&
                  offsetof(Vst3ClassInfo2, vendor) == 248 &&
                  offsetof(Vst3ClassInfo2, version) == 312 &&
                  offsetof(Vst3ClassInfo2, sdk_version) == 376,
              "PClassInfo2 fields");

static_assert(sizeof(Vst3ClassInfoW) == 696 && alignof(Vst3ClassInfoW) == 4, "PClassInfoW");
static_assert(offsetof(Vst3ClassInfoW, cardinality) == 16 &&
                  offsetof(Vst3ClassInfoW, category) == 20 &&
                  offsetof(Vst3ClassInfoW, name) == 52 &&
                  offsetof(Vst3ClassInfoW, class_flags) == 180 &&
                  offsetof(Vst3ClassInfoW, sub_categories) == 184 &&
                  offsetof(Vst3ClassInfoW, vendor) == 312 &&
                  offsetof(Vst3ClassInfoW, version) == 440 &&
                  offsetof(Vst3ClassInfoW, sdk_version) == 568,
              "PClassInfoW fields");

static_assert(sizeof(Vst3BusInfo) == 276 && alignof(Vst3BusInfo) == 4, "BusInfo");
static_assert(offsetof(Vst3BusInfo, direction) == 4 && offsetof(Vst3BusInfo, channel_count) == 8 &&
                  offsetof(Vst3BusInfo, name) == 12 && offsetof(Vst3BusInfo, bus_type) == 268 &&
                  offsetof(Vst3BusInfo, flags) == 272,
              "BusInfo fields");

static_assert(sizeof(Vst3RoutingInfo) == 12 && offsetof(Vst3RoutingInfo, channel) == 8,
              "RoutingInfo");

static_assert(sizeof(Vst3ParameterInfo) == 792 && alignof(Vst3ParameterInfo) == 8,
              "ParameterInfo");
static_assert(offsetof(Vst3ParameterInfo, title) == 4 &&
                  offsetof(Vst3ParameterInfo, short_title) == 260 &&
                  offsetof(Vst3ParameterInfo, units) == 516 &&
                  offsetof(Vst3ParameterInfo, step_count) == 772 &&
                  offsetof(Vst3ParameterInfo, default_normalized_value) == 776 &&
                  offsetof(Vst3ParameterInfo, unit_id) == 784 &&
                  offsetof(Vst3ParameterInfo, flags) == 788,
              "ParameterInfo fields");

static_assert(sizeof(Vst3ProcessSetup) == 24 && alignof(Vst3ProcessSetup) == 8, "ProcessSetup");
static_assert(offsetof(Vst3ProcessSetup, max_samples_per_block) == 8 &&
                  offsetof(Vst3ProcessSetup, sample_rate) == 16,
              "ProcessSetup fields");

static_assert(sizeof(Vst3AudioBusBuffers) == 24 && alignof(Vst3AudioBusBuffers) == 8,
              "AudioBusBuffers");
static_assert(offsetof(Vst3AudioBusBuffers, silence_flags) == 8 &&
                  offsetof(Vst3AudioBusBuffers, channel_buffers32) == 16,
              "AudioBusBuffers fields");

static_assert(sizeof(Vst3ProcessData) == 80 && alignof(Vst3ProcessData) == 8, "ProcessData");
static_assert(offsetof(Vst3ProcessData, num_samples) == 8 &&
                  offsetof(Vst3ProcessData, num_inputs) == 12 &&
                  offsetof(Vst3ProcessData, num_outputs) == 16 &&
                  offsetof(Vst3ProcessData, inputs) == 24 &&
                  offsetof(Vst3ProcessData, outputs) == 32 &&
                  offsetof(Vst3ProcessData, input_parameter_changes) == 40 &&
                  offsetof(Vst3ProcessData, output_parameter_changes) == 48 &&
                  offsetof(Vst3ProcessData, input_events) == 56 &&
                  offsetof(Vst3ProcessData, output_events) == 64 &&
                  offsetof(Vst3ProcessData, process_context) == 72,
              "ProcessData fields");

static_assert(VST3_SLOTS(Vst3FUnknownVtbl) == 3, "FUnknown slots");
static_assert(VST3_SLOTS(Vst3PluginFactoryVtbl) == 10, "IPluginFactory3 slots");
static_assert(offsetof(Vst3PluginFactoryVtbl, create_instance) == 6 * 8 &&
                  offsetof(Vst3PluginFactoryVtbl, get_class_info2) == 7 * 8 &&
                  offsetof(Vst3PluginFactoryVtbl, set_host_context) == 9 * 8,
              "IPluginFactory slot order");
static_assert(VST3_SLOTS(Vst3BStreamVtbl) == 7, "IBStream slots");
static_assert(VST3_SLOTS(Vst3ComponentVtbl) == 14, "IComponent slots");
static_assert(offsetof(Vst3ComponentVtbl, initialize) == 3 * 8 &&
                  offsetof(Vst3ComponentVtbl, get_bus_info) == 8 * 8 &&
                  offsetof(Vst3ComponentVtbl, set_active) == 11 * 8 &&
                  offsetof(Vst3ComponentVtbl, get_state) == 13 * 8,
              "IComponent slot order");
static_assert(VST3_SLOTS(Vst3AudioProcessorVtbl) == 11, "IAudioProcessor slots");
static_assert(offsetof(Vst3AudioProcessorVtbl, setup_processing) == 7 * 8 &&
                  offsetof(Vst3AudioProcessorVtbl, process) == 9 * 8,
              "IAudioProcessor slot order");
static_assert(VST3_SLOTS(Vst3ProcessContextRequirementsVtbl) == 4,
              "IProcessContextRequirements slots");
static_assert(VST3_SLOTS(Vst3ConnectionPointVtbl) == 6, "IConnectionPoint slots");
static_assert(VST3_SLOTS(Vst3ComponentHandlerVtbl) == 7, "IComponentHandler slots");
static_assert(VST3_SLOTS(Vst3EditControllerVtbl) == 18, "IEditController slots");
static_assert(offsetof(Vst3EditControllerVtbl, set_component_state) == 5 * 8 &&
                  offsetof(Vst3EditControllerVtbl, get_param_string_by_value) == 10 * 8 &&
                  offsetof(Vst3EditControllerVtbl, set_param_normalized) == 15 * 8 &&
                  offsetof(Vst3EditControllerVtbl, create_view) == 17 * 8,
              "IEditController slot order");
static_assert(VST3_SLOTS(Vst3MidiMappingVtbl) == 4, "IMidiMapping slots");
static_assert(VST3_SLOTS(Vst3ParamValueQueueVtbl) == 7, "IParamValueQueue slots");
static_assert(VST3_SLOTS(Vst3ParameterChangesVtbl) == 6, "IParameterChanges slots");
static_assert(sizeof(Vst3ViewRect) == 16 && alignof(Vst3ViewRect) == 4 &&
                  offsetof(Vst3ViewRect, right) == 8 && offsetof(Vst3ViewRect, bottom) == 12,
              "ViewRect");
static_assert(VST3_SLOTS(Vst3PlugViewVtbl) == 15, "IPlugView slots");
static_assert(offsetof(Vst3PlugViewVtbl, is_platform_type_supported) == 3 * 8 &&
                  offsetof(Vst3PlugViewVtbl, get_size) == 9 * 8 &&
                  offsetof(Vst3PlugViewVtbl, on_focus) == 11 * 8 &&
                  offsetof(Vst3PlugViewVtbl, check_size_constraint) == 14 * 8,
              "IPlugView slot order");
