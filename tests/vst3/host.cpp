#include "tests/vst3/host.h"

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <fstream>
#include <sstream>

// The build tree's paths as Wine sees them: drive Z: is the Unix root.
std::wstring host_wine_path(const char* unix_path)
{
    std::wstring path = L"Z:";
    for (const char* c = unix_path; *c; c++)
        path += *c == '/' ? L'\\' : (wchar_t)(unsigned char)*c;
    return path;
}

Vst3PluginFactory* host_factory()
{
    static Vst3PluginFactory* factory = [] {
        HMODULE module = LoadLibraryW(host_wine_path(BROLT_VST3_MODULE).c_str());
        if (!module)
            return (Vst3PluginFactory*)nullptr;
        typedef Vst3PluginFactory* (*GetFactory)(void);
        GetFactory get = (GetFactory)(void*)GetProcAddress(module, "GetPluginFactory");
        return get ? get() : nullptr;
    }();
    return factory;
}

std::string host_moduleinfo_text()
{
    std::ifstream file(BROLT_VST3_MODULEINFO, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

Vst3Component* host_create_processor()
{
    Vst3PluginFactory* f = host_factory();
    void* obj = nullptr;
    if (!f || f->vtbl->create_instance(f, vst3_class_facts[VST3_CLASS_PROCESSOR].cid,
                                       vst3_iid_component, &obj) != VST3_OK)
        return nullptr;
    return (Vst3Component*)obj;
}

Vst3EditController* host_create_controller()
{
    Vst3PluginFactory* f = host_factory();
    void* obj = nullptr;
    if (!f || f->vtbl->create_instance(f, vst3_class_facts[VST3_CLASS_CONTROLLER].cid,
                                       vst3_iid_edit_controller, &obj) != VST3_OK)
        return nullptr;
    return (Vst3EditController*)obj;
}

void* host_query(void* object, const vst3_tuid iid)
{
    Vst3FUnknown* unknown = (Vst3FUnknown*)object;
    void* obj = nullptr;
    if (unknown->vtbl->query_interface(unknown, iid, &obj) != VST3_OK)
        return nullptr;
    return obj;
}

const vst3_processor* host_processor_record(Vst3Component* component)
{
    return (const vst3_processor*)(const void*)component;
}

// ---- MemoryStream ----

static MemoryStream* stream_of(void* self) { return (MemoryStream*)self; }

static tresult stream_query(Vst3BStream* self, const uint8_t* iid, void** obj)
{
    if (vst3_iid_equal(iid, vst3_iid_funknown) || vst3_iid_equal(iid, vst3_iid_bstream)) {
        *obj = self;
        stream_of(self)->ref_count++;
        return VST3_OK;
    }
    *obj = nullptr;
    return VST3_NO_INTERFACE;
}

static uint32_t stream_add_ref(Vst3BStream* self) { return ++stream_of(self)->ref_count; }
static uint32_t stream_release(Vst3BStream* self) { return --stream_of(self)->ref_count; }

static tresult stream_read(Vst3BStream* self, void* buffer, int32_t n, int32_t* num_read)
{
    MemoryStream* s = stream_of(self);
    int64_t available = (int64_t)s->bytes.size() - s->position;
    int32_t count = n < 0 ? 0 : (int32_t)(available < n ? (available < 0 ? 0 : available) : n);
    if (count > 0)
        memcpy(buffer, s->bytes.data() + s->position, (size_t)count);
    s->position += count;
    if (num_read)
        *num_read = count;
    return count == n ? VST3_OK : VST3_FALSE;
}

static tresult stream_write(Vst3BStream* self, void* buffer, int32_t n, int32_t* num_written)
{
    MemoryStream* s = stream_of(self);
    s->write_calls++;
    int32_t count = n < 0 ? 0 : n;
    if (s->max_write > 0 && count > s->max_write)
        count = s->max_write;
    if ((size_t)(s->position + count) > s->bytes.size())
        s->bytes.resize((size_t)(s->position + count));
    if (count > 0)
        memcpy(s->bytes.data() + s->position, buffer, (size_t)count);
    s->position += count;
    if (num_written)
        *num_written = count;
    return VST3_OK;
}

static tresult stream_seek(Vst3BStream* self, int64_t pos, int32_t mode, int64_t* result)
{
    MemoryStream* s = stream_of(self);
    if (s->fail_seek)
        return VST3_FALSE;
    int64_t base = mode == VST3_SEEK_SET ? 0
                   : mode == VST3_SEEK_CUR ? s->position
                                           : (int64_t)s->bytes.size();
    if (base + pos < 0)
        return VST3_INVALID_ARGUMENT;
    s->position = base + pos;
    if (result)
        *result = s->position;
    return VST3_OK;
}

static tresult stream_tell(Vst3BStream* self, int64_t* pos)
{
    if (!pos)
        return VST3_INVALID_ARGUMENT;
    *pos = stream_of(self)->position;
    return VST3_OK;
}

static const Vst3BStreamVtbl stream_vtbl = {
    stream_query, stream_add_ref, stream_release, stream_read,
    stream_write, stream_seek,    stream_tell,
};

MemoryStream::MemoryStream() { iface.vtbl = &stream_vtbl; }

MemoryStream::MemoryStream(std::vector<uint8_t> data, int64_t start)
    : bytes(std::move(data)), position(start)
{
    iface.vtbl = &stream_vtbl;
}

// ---- Parameter changes ----

// Host objects that live on the test's stack: no interfaces, no counting.
template <typename T>
static tresult no_query(T* self, const uint8_t* iid, void** obj)
{
    (void)self;
    (void)iid;
    *obj = nullptr;
    return VST3_NO_INTERFACE;
}
template <typename T>
static uint32_t no_count(T* self)
{
    (void)self;
    return 1;
}

static ParamQueue* queue_of(Vst3ParamValueQueue* self) { return (ParamQueue*)(void*)self; }

static vst3_param_id queue_id(Vst3ParamValueQueue* self) { return queue_of(self)->id; }

static int32_t queue_count(Vst3ParamValueQueue* self)
{
    return (int32_t)queue_of(self)->points.size();
}

static tresult queue_get_point(Vst3ParamValueQueue* self, int32_t index, int32_t* offset,
                               double* value)
{
    ParamQueue* q = queue_of(self);
    if (index < 0 || index >= (int32_t)q->points.size())
        return VST3_INVALID_ARGUMENT;
    *offset = q->points[(size_t)index].first;
    *value = q->points[(size_t)index].second;
    return VST3_OK;
}

static tresult queue_add_point(Vst3ParamValueQueue* self, int32_t offset, double value,
                               int32_t* index)
{
    (void)self;
    (void)offset;
    (void)value;
    (void)index;
    return VST3_FALSE;
}

static const Vst3ParamValueQueueVtbl queue_vtbl = {
    no_query<Vst3ParamValueQueue>,
    no_count<Vst3ParamValueQueue>,
    no_count<Vst3ParamValueQueue>,
    queue_id,
    queue_count,
    queue_get_point,
    queue_add_point,
};

ParamQueue::ParamQueue(vst3_param_id id_, std::vector<std::pair<int32_t, double>> points_)
    : id(id_), points(std::move(points_))
{
    iface.vtbl = &queue_vtbl;
}

static ParamChanges* changes_of(Vst3ParameterChanges* self) { return (ParamChanges*)(void*)self; }

static int32_t changes_count(Vst3ParameterChanges* self)
{
    ParamChanges* c = changes_of(self);
    return (int32_t)c->queues.size() + (c->include_null ? 1 : 0);
}

static Vst3ParamValueQueue* changes_data(Vst3ParameterChanges* self, int32_t index)
{
    ParamChanges* c = changes_of(self);
    if (index < 0 || index >= (int32_t)c->queues.size())
        return nullptr;
    return &c->queues[(size_t)index].iface;
}

static Vst3ParamValueQueue* changes_add(Vst3ParameterChanges* self, const vst3_param_id* id,
                                        int32_t* index)
{
    (void)self;
    (void)id;
    (void)index;
    return nullptr;
}

static const Vst3ParameterChangesVtbl changes_vtbl = {
    no_query<Vst3ParameterChanges>,
    no_count<Vst3ParameterChanges>,
    no_count<Vst3ParameterChanges>,
    changes_count,
    changes_data,
    changes_add,
};

ParamChanges::ParamChanges() { iface.vtbl = &changes_vtbl; }

void host_queue_values(ParamChanges* changes, const float values[ENGINE_PARAM_COUNT])
{
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++) {
        double normalized = (values[i] - engine_params[i].minimum) /
                            (double)(engine_params[i].maximum - engine_params[i].minimum);
        changes->queues.emplace_back(vst3_param_ids[i],
                                     std::vector<std::pair<int32_t, double>>{{0, normalized}});
    }
}

// ---- Component handler ----

static ComponentHandler* handler_of(Vst3ComponentHandler* self)
{
    return (ComponentHandler*)(void*)self;
}
static uint32_t handler_add_ref(Vst3ComponentHandler* self) { return ++handler_of(self)->ref_count; }
static uint32_t handler_release(Vst3ComponentHandler* self) { return --handler_of(self)->ref_count; }
static tresult handler_edit(Vst3ComponentHandler* self, vst3_param_id id)
{
    (void)self;
    (void)id;
    return VST3_OK;
}
static tresult handler_perform(Vst3ComponentHandler* self, vst3_param_id id, double value)
{
    (void)self;
    (void)id;
    (void)value;
    return VST3_OK;
}
static tresult handler_restart(Vst3ComponentHandler* self, int32_t flags)
{
    (void)self;
    (void)flags;
    return VST3_OK;
}

static const Vst3ComponentHandlerVtbl handler_vtbl = {
    no_query<Vst3ComponentHandler>,
    handler_add_ref,
    handler_release,
    handler_edit,
    handler_perform,
    handler_edit,
    handler_restart,
};

ComponentHandler::ComponentHandler() { iface.vtbl = &handler_vtbl; }

// ---- HostProcessor ----

HostProcessor::HostProcessor()
{
    component = host_create_processor();
    if (component)
        audio = (Vst3AudioProcessor*)host_query(component, vst3_iid_audio_processor);
}

HostProcessor::~HostProcessor()
{
    if (audio)
        audio->vtbl->release(audio);
    if (component) {
        component->vtbl->set_active(component, 0);
        component->vtbl->terminate(component);
        component->vtbl->release(component);
    }
}

void HostProcessor::start(double sample_rate)
{
    ASSERT_NE(component, nullptr);
    ASSERT_NE(audio, nullptr);
    static Vst3FUnknown context;
    ASSERT_EQ(component->vtbl->initialize(component, &context), VST3_OK);
    Vst3ProcessSetup setup = {0, VST3_SAMPLE32, 4096, sample_rate};
    ASSERT_EQ(audio->vtbl->setup_processing(audio, &setup), VST3_OK);
    ASSERT_EQ(component->vtbl->activate_bus(component, VST3_AUDIO, VST3_INPUT, 0, 1), VST3_OK);
    ASSERT_EQ(component->vtbl->activate_bus(component, VST3_AUDIO, VST3_OUTPUT, 0, 1), VST3_OK);
    ASSERT_EQ(component->vtbl->set_active(component, 1), VST3_OK);
}

tresult HostProcessor::process(const float* in, float* out, int32_t n,
                               Vst3ParameterChanges* changes)
{
    float* in_channels[1] = {(float*)in};
    float* out_channels[1] = {out};
    Vst3AudioBusBuffers input = {1, 0, in_channels};
    Vst3AudioBusBuffers output = {1, 0, out_channels};
    Vst3ProcessData data = {};
    data.symbolic_sample_size = VST3_SAMPLE32;
    data.num_samples = n;
    data.num_inputs = 1;
    data.num_outputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.input_parameter_changes = changes;
    return audio->vtbl->process(audio, &data);
}

float HostProcessor::engine_value(int32_t index) const
{
    return engine_get_parameter(&host_processor_record(component)->engine, index);
}

std::string host_narrow(const vst3_char16* text)
{
    std::string out;
    for (; *text; text++)
        out += (char)*text;
    return out;
}

std::vector<vst3_char16> host_wide(const char* text)
{
    std::vector<vst3_char16> out;
    for (; *text; text++)
        out.push_back((vst3_char16)(unsigned char)*text);
    out.push_back(0);
    return out;
}
