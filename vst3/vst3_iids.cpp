// Interface identifiers in COM byte order: the first three groups of the
// GUID text little-endian, the last eight bytes as written.
#include "vst3/vst3_abi.h"

#include <string.h>

#define VST3_GUID(d1, d2, d3, d4a, d4b)                                                      \
    {                                                                                         \
        (uint8_t)(d1), (uint8_t)((d1) >> 8), (uint8_t)((d1) >> 16), (uint8_t)((d1) >> 24),   \
            (uint8_t)(d2), (uint8_t)((d2) >> 8), (uint8_t)(d3), (uint8_t)((d3) >> 8),         \
            (uint8_t)((d4a) >> 8), (uint8_t)(d4a), (uint8_t)((d4b) >> 40),                    \
            (uint8_t)((d4b) >> 32), (uint8_t)((d4b) >> 24), (uint8_t)((d4b) >> 16),           \
            (uint8_t)((d4b) >> 8), (uint8_t)(d4b)                                             \
    }

const vst3_tuid vst3_iid_funknown = VST3_GUID(0x00000000u, 0x0000, 0x0000, 0xC000, 0x000000000046ull);
const vst3_tuid vst3_iid_plugin_base = VST3_GUID(0x22888DDBu, 0x156E, 0x45AE, 0x8358, 0xB34808190625ull);
const vst3_tuid vst3_iid_plugin_factory = VST3_GUID(0x7A4D811Cu, 0x5211, 0x4A1F, 0xAED9, 0xD2EE0B43BF9Full);
const vst3_tuid vst3_iid_plugin_factory2 = VST3_GUID(0x0007B650u, 0xF24B, 0x4C0B, 0xA464, 0xEDB9F00B2ABBull);
const vst3_tuid vst3_iid_plugin_factory3 = VST3_GUID(0x4555A2ABu, 0xC123, 0x4E57, 0x9B12, 0x291036878931ull);
const vst3_tuid vst3_iid_component = VST3_GUID(0xE831FF31u, 0xF2D5, 0x4301, 0x928E, 0xBBEE25697802ull);
const vst3_tuid vst3_iid_audio_processor = VST3_GUID(0x42043F99u, 0xB7DA, 0x453C, 0xA569, 0xE79D9AAEC33Dull);
const vst3_tuid vst3_iid_process_context_requirements =
    VST3_GUID(0x2A654303u, 0xEF76, 0x4E3D, 0x95B5, 0xFE83730EF6D0ull);
const vst3_tuid vst3_iid_connection_point = VST3_GUID(0x70A4156Fu, 0x6E6E, 0x4026, 0x9891, 0x48BFAA60D8D1ull);
const vst3_tuid vst3_iid_edit_controller = VST3_GUID(0xDCD7BBE3u, 0x7742, 0x448D, 0xA874, 0xAACC979C759Eull);
const vst3_tuid vst3_iid_midi_mapping = VST3_GUID(0xDF0FF9F7u, 0x49B7, 0x4669, 0xB63A, 0xB7327ADBF5E5ull);
const vst3_tuid vst3_iid_plug_view = VST3_GUID(0x5BC32507u, 0xD060, 0x49EA, 0xA615, 0x1B522B755B29ull);
const vst3_tuid vst3_iid_bstream = VST3_GUID(0xC3BF6EA2u, 0x3099, 0x4752, 0x9B6B, 0xF9901EE33E9Bull);
const vst3_tuid vst3_iid_parameter_changes = VST3_GUID(0xA4779663u, 0x0BB6, 0x4A56, 0xB443, 0x84A8466FEB9Dull);
const vst3_tuid vst3_iid_param_value_queue = VST3_GUID(0x01263A18u, 0xED07, 0x4F6F, 0x98C9, 0xD3564686F9BAull);
const vst3_tuid vst3_iid_component_handler = VST3_GUID(0x93A0BEA3u, 0x0BD0, 0x45DB, 0x8E89, 0x0B0CC1E46AC6ull);

int vst3_iid_equal(const void* a, const vst3_tuid b)
{
    return a && memcmp(a, b, 16) == 0;
}
