// The VST3 binding: module folders, factory, audio processor, edit
// controller and the state streams they share.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#include "engine/engine.h"
#include "engine/param_exchange.h"
#include "vst3/vst3_abi.h"
#include "vst3/vst3_classes.h"

// ---- Module ----

extern Vst3PluginFactory vst3_factory;

// The module's folder and its bundle's Resources folder, UTF-8, from the
// first process attach to the last detach.
const char* get_module_folder(void* user_data);
const char* get_resources_folder(void* user_data);

// From the module's full wide file name: the folder holding it (no trailing
// backslash) and the parent of that folder followed by "\Resources", both
// new UTF-8 texts. Returns 0, or -1 with nothing allocated.
int vst3_folders_from_path(const wchar_t* path, char** module_folder, char** resources_folder);

// ---- Parameters ----

extern const vst3_param_id vst3_param_ids[ENGINE_PARAM_COUNT];

// The parameter index of a VST3 id, or -1.
int32_t param_index_of_id(vst3_param_id id);

// minimum + (maximum - minimum) * normalized, in double precision.
double vst3_normalized_to_plain(int32_t index, double normalized);

// A plain value made fit for the engine: bypass switched to 0 or 1 at 0.5,
// then limited to the parameter's range. The caller keeps NaN out.
double vst3_limit_plain(int32_t index, double plain);

// The text of a normalized value: two truncated decimals of the plain value,
// written into the host's 128-unit string.
tresult format_param_string(vst3_param_id id, double normalized, vst3_char16* string);

// The normalized value of a text's leading integer (fractions dropped).
tresult parse_param_string(vst3_param_id id, const vst3_char16* string, double* normalized);

// ---- Objects ----

typedef struct vst3_processor {
    Vst3Component component;
    Vst3AudioProcessor audio_processor;
    Vst3ProcessContextRequirements context_requirements;
    Vst3ConnectionPoint connection_point;
    int32_t ref_count;
    Vst3FUnknown* context;
    Engine engine;
    float active_sample_rate;
    float setup_sample_rate;
    // param_values, param_exchange, state_lock, synced, restored
    ParamExchange exchange;
    float* in_channel;
    float* out_channel;
    uint8_t processing_enabled;
    uint8_t input_active;
    uint8_t output_active;
} vst3_processor;

struct vst3_view;

typedef struct vst3_controller {
    Vst3EditController edit_controller;
    Vst3MidiMapping midi_mapping;
    Vst3ConnectionPoint connection_point;
    int32_t ref_count;
    Vst3FUnknown* context;
    double plain_values[ENGINE_PARAM_COUNT];
    Vst3ComponentHandler* component_handler;
    struct vst3_view** views;
    size_t view_count;
} vst3_controller;

struct WebUiHost;

// The editor as the host sees it. `controller` is a plain pointer, cleared
// when the controller goes first; `host` is non-null while attached.
typedef struct vst3_view {
    Vst3PlugView plug_view;
    int32_t ref_count;
    Vst3PlugFrame* frame;
    struct WebUiHost* host;
    struct vst3_controller* controller;
} vst3_view;

enum { VST3_VIEW_WIDTH = 800, VST3_VIEW_HEIGHT = 400, VST3_VIEW_TIMER_MS = 20 };

// A new detached view with one reference, or null when memory runs out.
vst3_view* vst3_view_create(vst3_controller* controller);
// Tells an attached view's editor a plain value; nothing when detached.
void vst3_view_show_value(vst3_view* view, int32_t index, double plain);
// The controller's registry without the view (its first slot holding it).
void vst3_controller_forget_view(vst3_controller* controller, vst3_view* view);

// New objects with one reference, or null when memory runs out. The
// returned pointer is the object's primary interface.
Vst3Component* vst3_processor_create(void);
Vst3EditController* vst3_controller_create(void);

// An ASCII text as UTF-16 in a field of `units` units, zero-filled and
// always terminated.
void vst3_copy_ascii16(vst3_char16* field, size_t units, const char* ascii);

// The FUnknown part both objects share. Interface k of an object sits k
// pointers after its start; `iids` lists which interface answers which IID.
typedef struct Vst3InterfaceIid {
    const uint8_t* iid;
    int k;
} Vst3InterfaceIid;

// The object behind interface pointer `self` of interface k.
#define VST3_OBJECT_OF(Object, self, k) \
    ((Object*)(void*)((char*)(self) - (size_t)(k) * sizeof(void*)))

// The three FUnknown slots of interface k, handed on to the object's own.
#define VST3_FUNKNOWN_THUNKS(prefix, T, Object, k, query, add_ref, release)              \
    static tresult prefix##_query_interface(T* self, const uint8_t* iid, void** obj)     \
    {                                                                                    \
        return query(VST3_OBJECT_OF(Object, self, k), iid, obj);                         \
    }                                                                                    \
    static uint32_t prefix##_add_ref(T* self) { return add_ref(VST3_OBJECT_OF(Object, self, k)); } \
    static uint32_t prefix##_release(T* self) { return release(VST3_OBJECT_OF(Object, self, k)); }

// Stores the interface and adds a reference, or stores null.
tresult vst3_object_query(void* object, int32_t* ref_count, const Vst3InterfaceIid* iids,
                          size_t count, const uint8_t* iid, void** obj);
uint32_t vst3_object_add_ref(int32_t* ref_count);
// The new count; the caller frees the object at 0.
uint32_t vst3_object_release(int32_t* ref_count);

// IConnectionPoint's own slots for both objects: a peer is accepted and
// nothing stored, messages are ignored.
tresult vst3_connection_connect(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other);
tresult vst3_connection_disconnect(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other);
tresult vst3_connection_notify(Vst3ConnectionPoint* self, Vst3FUnknown* message);

// ---- State streams ----

typedef struct state_load_callbacks {
    void* user_data;
    void (*lock)(void* user_data);
    void (*unlock)(void* user_data);
    void (*set_parameter)(void* user_data, int32_t index, float value);
} state_load_callbacks;

// The whole stream from position 0. Returns 0 with a new buffer (free it;
// null for an empty stream) and its size, or -1.
int vst3_read_stream(Vst3BStream* stream, uint8_t** buffer, int64_t* size);

// size bytes at the stream's position, in chunks of at most 2^31 - 1 bytes.
// Returns 0 when every byte was taken, -1 after the first short write.
int vst3_write_stream(Vst3BStream* stream, const uint8_t* data, size_t size);

// Validates a stored document and, only when it is accepted as a whole,
// hands the six values to the callbacks. Returns 0 or -1.
int vst3_state_load(const uint8_t* buffer, int64_t size, const state_load_callbacks* callbacks);

// setState and setComponentState: the whole stream read and loaded.
// Returns 0, or -1 for a null or unreadable stream or a refused document.
int vst3_state_load_stream(Vst3BStream* stream, const state_load_callbacks* callbacks);

// Builds the document of six plain values and a sample rate and writes it.
tresult vst3_state_save(Vst3BStream* stream, const float values[ENGINE_PARAM_COUNT],
                        float sample_rate);
