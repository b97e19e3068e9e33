// The edit controller through its interfaces: parameter information, the
// text conversions, normalized values and the component handler.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "tests/vst3/host.h"

namespace {

const vst3_param_id DRIVE = 1955105482u;
const vst3_param_id MIX = 907392060u;
const vst3_param_id VOLUME = 115099194u;
const vst3_param_id BYPASS = 150732888u;

struct HostController {
    Vst3EditController* c;
    Vst3FUnknown context;
    HostController()
    {
        c = host_create_controller();
        if (c)
            c->vtbl->initialize(c, &context);
    }
    ~HostController()
    {
        if (c) {
            c->vtbl->terminate(c);
            c->vtbl->release(c);
        }
    }
    std::string text(vst3_param_id id, double value)
    {
        vst3_char16 s[128];
        for (vst3_char16& u : s)
            u = 0x7777;
        EXPECT_EQ(c->vtbl->get_param_string_by_value(c, id, value, s), VST3_OK);
        EXPECT_NE(std::find(s, s + 128, 0), s + 128);
        return host_narrow(s);
    }
    double parse(vst3_param_id id, const char* text)
    {
        std::vector<vst3_char16> s = host_wide(text);
        double v = -99;
        EXPECT_EQ(c->vtbl->get_param_value_by_string(c, id, s.data(), &v), VST3_OK);
        return v;
    }
};

TEST(Vst3Controller, QueryInterfaceAndCounting)
{
    Vst3EditController* c = host_create_controller();
    ASSERT_NE(c, nullptr);
    void* midi = host_query(c, vst3_iid_midi_mapping);
    void* connection = host_query(c, vst3_iid_connection_point);
    EXPECT_EQ(midi, (char*)c + sizeof(void*));
    EXPECT_EQ(connection, (char*)c + 2 * sizeof(void*));
    for (void* through : {(void*)c, midi, connection}) {
        EXPECT_EQ(host_query(through, vst3_iid_funknown), (void*)c);
        EXPECT_EQ(host_query(through, vst3_iid_plugin_base), (void*)c);
        EXPECT_EQ(host_query(through, vst3_iid_edit_controller), (void*)c);
        EXPECT_EQ(host_query(through, vst3_iid_midi_mapping), midi);
        EXPECT_EQ(host_query(through, vst3_iid_connection_point), connection);
        EXPECT_EQ(host_query(through, vst3_iid_component), nullptr);
    }
    // 1 + 2 + 15 references.
    for (uint32_t left = 17; left > 0; left--) {
        void* through = left % 3 == 0 ? (void*)c : left % 3 == 1 ? midi : connection;
        EXPECT_EQ(((Vst3FUnknown*)through)->vtbl->release((Vst3FUnknown*)through), left);
    }
    EXPECT_EQ(c->vtbl->release(c), 0u);
}

TEST(Vst3Controller, ParameterInformation)
{
    HostController h;
    Vst3EditController* c = h.c;
    ASSERT_NE(c, nullptr);
    Vst3FUnknown other;
    EXPECT_EQ(c->vtbl->initialize(c, &other), VST3_FALSE);
    ASSERT_EQ(c->vtbl->get_parameter_count(c), 6);
    struct Row {
        vst3_param_id id;
        const char* title;
        const char* units;
        int32_t steps;
        double normalized_default;
        int32_t flags;
    } rows[6] = {
        {1955105482u, "Drive", "%", 0, 0.5, 1}, {1278044914u, "Tone", "%", 0, 0.5, 1},
        {417465296u, "Heat", "%", 0, 0.5, 1},   {907392060u, "Mix", "%", 0, 1.0, 1},
        {115099194u, "Volume", "%", 0, 0.5, 1}, {150732888u, "Bypass", "", 1, 0.0, 0x10001},
    };
    for (int32_t i = 0; i < 6; i++) {
        SCOPED_TRACE(i);
        Vst3ParameterInfo info;
        memset(&info, 0x66, sizeof info);
        ASSERT_EQ(c->vtbl->get_parameter_info(c, i, &info), VST3_OK);
        EXPECT_EQ(info.id, rows[i].id);
        EXPECT_EQ(host_narrow(info.title), rows[i].title);
        EXPECT_EQ(host_narrow(info.short_title), rows[i].title);
        EXPECT_EQ(host_narrow(info.units), rows[i].units);
        EXPECT_EQ(info.step_count, rows[i].steps);
        EXPECT_EQ(info.default_normalized_value, rows[i].normalized_default);
        EXPECT_EQ(info.unit_id, 0);
        EXPECT_EQ(info.flags, rows[i].flags);
        EXPECT_EQ(c->vtbl->get_param_normalized(c, rows[i].id), rows[i].normalized_default);
    }
    for (int32_t index : {-1, 6}) {
        Vst3ParameterInfo info;
        memset(&info, 0x66, sizeof info);
        EXPECT_EQ(c->vtbl->get_parameter_info(c, index, &info), VST3_FALSE);
        EXPECT_EQ(info.step_count, 0x66666666);
    }
    EXPECT_EQ(c->vtbl->set_state(c, nullptr), VST3_NOT_IMPLEMENTED);
    EXPECT_EQ(c->vtbl->get_state(c, nullptr), VST3_NOT_IMPLEMENTED);
    for (const char* name : {"Editor", "editor2", "", (const char*)nullptr})
        EXPECT_EQ(c->vtbl->create_view(c, name), nullptr) << (name ? name : "null");
    auto* midi = (Vst3MidiMapping*)host_query(c, vst3_iid_midi_mapping);
    vst3_param_id id = 0;
    EXPECT_EQ(midi->vtbl->get_midi_controller_assignment(midi, 0, 0, 7, &id), VST3_INVALID_ARGUMENT);
    midi->vtbl->release(midi);
}

TEST(Vst3Controller, TextConversions)
{
    HostController h;
    ASSERT_NE(h.c, nullptr);
    struct Text {
        vst3_param_id id;
        double value;
        const char* text;
    } texts[] = {
        {DRIVE, 0.333, "33.30"},  {DRIVE, 1.0, "100.00"},  {DRIVE, 0.0, "0.00"},
        {DRIVE, 0.5555, "55.54"}, {DRIVE, 0.5, "50.00"},   {VOLUME, 0.5, "100.00"},
        {VOLUME, 0.25, "50.00"},  {BYPASS, 0.7, "0.69"},   {BYPASS, 1.0, "1.00"},
        // Outside the range, the text is the range's end; NaN the minimum.
        {DRIVE, 2.0, "100.00"},   {DRIVE, -1.0, "0.00"},   {VOLUME, INFINITY, "200.00"},
        {VOLUME, -INFINITY, "0.00"}, {DRIVE, NAN, "0.00"},
    };
    for (const Text& t : texts)
        EXPECT_EQ(h.text(t.id, t.value), t.text) << t.value;

    struct Parse {
        vst3_param_id id;
        const char* text;
        double value;
    } parses[] = {
        {VOLUME, "150", 0.75}, {VOLUME, "-20", -0.1}, {VOLUME, "12.9", 0.06},
        {DRIVE, "42.7", 0.42}, {DRIVE, "abc", 0.0},   {DRIVE, "", 0.0},
        {DRIVE, "250", 2.5},   {BYPASS, "1", 1.0},
    };
    for (const Parse& p : parses)
        EXPECT_EQ(h.parse(p.id, p.text), p.value) << p.text;

    vst3_char16 s[128] = {};
    double v = 0;
    std::vector<vst3_char16> fifty = host_wide("50");
    EXPECT_EQ(h.c->vtbl->get_param_string_by_value(h.c, 42u, 0.5, s), VST3_FALSE);
    EXPECT_EQ(h.c->vtbl->get_param_value_by_string(h.c, 42u, fifty.data(), &v), VST3_FALSE);
}

TEST(Vst3Controller, NormalizedValues)
{
    HostController h;
    Vst3EditController* c = h.c;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->vtbl->normalized_param_to_plain(c, BYPASS, 0.3), 0.3);
    EXPECT_EQ(c->vtbl->normalized_param_to_plain(c, VOLUME, 0.25), 50.0);
    EXPECT_EQ(c->vtbl->plain_param_to_normalized(c, VOLUME, 150.0), 0.75);

    struct Set {
        vst3_param_id id;
        double value;
        double normalized_after;
    } sets[] = {
        {BYPASS, 0.5, 1.0}, {BYPASS, 0.49, 0.0}, {MIX, 1.2, 1.0},
        {MIX, -3.0, 0.0},   {DRIVE, 0.25, 0.25},
    };
    for (const Set& s : sets) {
        EXPECT_EQ(c->vtbl->set_param_normalized(c, s.id, s.value), VST3_OK);
        EXPECT_EQ(c->vtbl->get_param_normalized(c, s.id), s.normalized_after) << s.value;
    }
    // A NaN is not a value: the parameter keeps the one it had.
    EXPECT_EQ(c->vtbl->set_param_normalized(c, DRIVE, NAN), VST3_FALSE);
    EXPECT_EQ(c->vtbl->get_param_normalized(c, DRIVE), 0.25);
    EXPECT_EQ(c->vtbl->set_param_normalized(c, 42u, 0.5), VST3_FALSE);
    EXPECT_EQ(c->vtbl->get_param_normalized(c, 42u), 0.0);
}

TEST(Vst3Controller, ComponentHandlerReferences)
{
    ComponentHandler first, second;
    {
        HostController h;
        Vst3EditController* c = h.c;
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->vtbl->set_component_handler(c, &first.iface), VST3_OK);
        EXPECT_EQ(c->vtbl->set_component_handler(c, &first.iface), VST3_OK);
        EXPECT_EQ(first.ref_count, 2) << "the same handler twice takes one reference";
        EXPECT_EQ(c->vtbl->set_component_handler(c, &second.iface), VST3_OK);
        EXPECT_EQ(first.ref_count, 1);
        EXPECT_EQ(second.ref_count, 2);
        // terminate drops the host's references.
        EXPECT_EQ(c->vtbl->terminate(c), VST3_OK);
        EXPECT_EQ(second.ref_count, 1);
        Vst3FUnknown context;
        EXPECT_EQ(c->vtbl->initialize(c, &context), VST3_OK);
        EXPECT_EQ(c->vtbl->set_component_handler(c, &first.iface), VST3_OK);
        EXPECT_EQ(first.ref_count, 2);
        EXPECT_EQ(c->vtbl->set_component_handler(c, nullptr), VST3_OK);
        EXPECT_EQ(first.ref_count, 1);
        c->vtbl->set_component_handler(c, &second.iface);
    }
    // Released at the controller's end at the latest.
    EXPECT_EQ(first.ref_count, 1);
    EXPECT_EQ(second.ref_count, 1);
    // A controller released without terminate gives its reference back too.
    Vst3EditController* c = host_create_controller();
    ASSERT_NE(c, nullptr);
    c->vtbl->set_component_handler(c, &first.iface);
    EXPECT_EQ(c->vtbl->release(c), 0u);
    EXPECT_EQ(first.ref_count, 1);
}

}  // namespace
