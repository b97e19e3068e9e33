// What the test host needs: the module loaded from its bundle, and in-memory
// host objects (stream, parameter queues, component handler) built from the
// same interface declarations the module uses.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "vst3/vst3_binding.h"

// A build-tree path as Wine sees it (drive Z: is the Unix root).
std::wstring host_wine_path(const char* unix_path);

// The module, loaded once per test program with LoadLibrary.
Vst3PluginFactory* host_factory();
// The bundle's moduleinfo.json, read as bytes.
std::string host_moduleinfo_text();

// New objects through the factory, as a host makes them.
Vst3Component* host_create_processor();
Vst3EditController* host_create_controller();
// Another interface of an object (one more reference), or null.
void* host_query(void* object, const vst3_tuid iid);
// The processor record behind the component pointer the module handed out:
// the test host is built with the same declarations, so it may look at the
// engine's values directly.
const vst3_processor* host_processor_record(Vst3Component* component);

// A stream over bytes in memory. One position for reading and writing.
struct MemoryStream {
    Vst3BStream iface;
    int32_t ref_count = 1;
    std::vector<uint8_t> bytes;
    int64_t position = 0;
    int32_t max_write = 0;  // 0: any count per write call
    int32_t write_calls = 0;
    int fail_seek = 0;
    MemoryStream();
    explicit MemoryStream(std::vector<uint8_t> data, int64_t start = 0);
    Vst3BStream* stream() { return &iface; }
};

struct ParamQueue {
    Vst3ParamValueQueue iface;
    vst3_param_id id;
    std::vector<std::pair<int32_t, double>> points;
    ParamQueue(vst3_param_id id, std::vector<std::pair<int32_t, double>> points);
};

struct ParamChanges {
    Vst3ParameterChanges iface;
    std::vector<ParamQueue> queues;
    int include_null = 0;  // answer null for one extra queue index
    ParamChanges();
    Vst3ParameterChanges* changes() { return &iface; }
};

// One point at offset 0 per parameter, carrying the six plain values.
void host_queue_values(ParamChanges* changes, const float values[ENGINE_PARAM_COUNT]);

struct ComponentHandler {
    Vst3ComponentHandler iface;
    int32_t ref_count = 1;
    ComponentHandler();
};

// One processor driven as a host drives it: mono buses, 32-bit samples.
struct HostProcessor {
    Vst3Component* component = nullptr;
    Vst3AudioProcessor* audio = nullptr;
    HostProcessor();
    ~HostProcessor();
    // initialize, setupProcessing, both buses active, setActive(true).
    void start(double sample_rate);
    // One block of n samples through process; changes may be null.
    tresult process(const float* in, float* out, int32_t n, Vst3ParameterChanges* changes);
    float engine_value(int32_t index) const;
};

// The module's text of a UTF-16 string (ASCII expected).
std::string host_narrow(const vst3_char16* text);
std::vector<vst3_char16> host_wide(const char* text);
