// The state document: record maps, the saved layout, the reading rules and
// the loading rules both bindings apply.
#include <gtest/gtest.h>

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "state/state.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Entries;

const float SAVED[ENGINE_PARAM_COUNT] = {12.5f, 0.0f, 99.75f, 33.0f, 187.25f, 1.0f};

std::string u32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++)
        s[i] = (char)(v >> (8 * i));
    return s;
}

std::string f32(float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    return u32(bits);
}

std::string records(const Entries& entries)
{
    std::string out;
    for (const auto& e : entries)
        out += u32((uint32_t)e.first.size()) + u32((uint32_t)e.second.size()) + e.first + e.second;
    return out;
}

std::string tar(const Entries& members)
{
    kv_map* map = kv_map_new();
    for (const auto& m : members)
        kv_map_insert(map, m.first.data(), m.first.size(), m.second.data(), m.second.size());
    size_t size = 0;
    uint8_t* out = tar_serialize(map, &size);
    kv_map_free(map);
    std::string s((const char*)out, size);
    free(out);
    return s;
}

// The blob a binding saves, through the shared fill helper.
std::string save(const char* format, float rate = 48000.0f, const float* values = SAVED)
{
    state_doc doc;
    EXPECT_EQ(state_doc_init(&doc), 0);
    StateSaveValues keep;
    EXPECT_EQ(state_doc_fill(&doc, &keep, format, rate, values), 0);
    size_t size = 0;
    uint8_t* blob = state_doc_serialize(&doc, &size);
    state_doc_free(&doc);
    std::string s((const char*)blob, size);
    free(blob);
    return s;
}

// A document assembled member by member, for the cases a save never writes.
struct DocParts {
    Entries info = {{"id", "wyrel-brolt"}, {"format", "lv2"}};
    Entries parameters;
    std::string version = "1.0";
    Entries dsp_extra, outer_extra;
    bool with_info = true, with_parameters = true, with_version = true, with_dsp = true;

    DocParts()
    {
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            parameters.push_back({engine_params[i].key, f32(SAVED[i])});
    }
    void set_parameter(const std::string& key, const std::string& value)
    {
        for (auto& p : parameters)
            if (p.first == key)
                p.second = value;
    }
    std::string blob() const
    {
        Entries dsp = dsp_extra;
        if (with_info)
            dsp.push_back({"info.map", records(info)});
        if (with_parameters)
            dsp.push_back({"parameters.map", records(parameters)});
        if (with_version)
            dsp.push_back({"version", version});
        Entries outer = outer_extra;
        if (with_dsp)
            outer.push_back({"dsp.tar", tar(dsp)});
        return tar(outer);
    }
};

// Parse result: 0 or the errno of the failure.
int parse_error(const std::string& blob)
{
    state_doc doc;
    errno = 0;
    if (state_doc_parse(&doc, blob.data(), blob.size()) != 0) {
        EXPECT_EQ(doc.info, nullptr);  // nothing left to release
        EXPECT_EQ(doc.outer_extra, nullptr);
        return errno;
    }
    state_doc_free(&doc);
    return 0;
}

// Parses and applies the loading rules; returns 0 with values, -1 otherwise.
int load(const std::string& blob, float values[ENGINE_PARAM_COUNT])
{
    state_doc doc;
    if (state_doc_parse(&doc, blob.data(), blob.size()) != 0)
        return -1;
    int result = state_doc_load_values(&doc, values);
    state_doc_free(&doc);
    return result;
}

std::string find(const kv_map* map, const std::string& key)
{
    uint64_t length = 0;
    const uint8_t* v = kv_map_find(map, key.data(), key.size(), &length);
    return v ? std::string((const char*)v, length) : std::string("<missing>");
}

}  // namespace

TEST(KvRecords, RoundTripAndRejectZeroKeysAndOverruns)
{
    std::string bytes = records({{"b", ""}, {"a", "xyz"}, {"mix", f32(1.0f)}});
    kv_map* map = kv_map_parse(bytes.data(), bytes.size());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(find(map, "b"), "");  // a zero-length value is fine
    EXPECT_EQ(find(map, "a"), "xyz");
    size_t size = 0;
    uint8_t* out = kv_map_serialize(map, &size);
    // Written in key order.
    EXPECT_EQ(std::string((const char*)out, size),
              records({{"a", "xyz"}, {"b", ""}, {"mix", f32(1.0f)}}));
    free(out);
    kv_map_free(map);

    kv_map* empty = kv_map_new();
    out = kv_map_serialize(empty, &size);
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(size, 0u);
    free(out);
    kv_map_free(empty);

    const struct {
        const char* what;
        std::string bytes;
    } bad[] = {
        {"zero key length", records({{"a", "1"}}) + u32(0) + u32(1) + "x"},
        {"value past the end", records({{"a", "1"}}).substr(0, 9)},
        {"key past the end", u32(5) + u32(0) + "abc"},
        {"record header cut short", records({{"a", "1"}}) + "\1\0\0"},
        // Lengths that would wrap a 32-bit offset back into the buffer.
        {"wrapping lengths", u32(1) + u32(0xFFFFFFFFu) + "k" + std::string(16, 'v')},
    };
    for (const auto& b : bad) {
        errno = 0;
        EXPECT_EQ(kv_map_parse(b.bytes.data(), b.bytes.size()), nullptr) << b.what;
        EXPECT_EQ(errno, EINVAL) << b.what;
    }
}

TEST(StateDoc, SavedDocumentHasTheFixedLayout)
{
    std::string blob = save("lv2");
    ASSERT_EQ(blob.size(), (size_t)STATE_BLOB_SIZE);
    const struct {
        size_t offset;
        const char* name;
        size_t size;
    } headers[] = {{0, "dsp.tar", 4096}, {512, "info.map", 0}, {1536, "parameters.map", 100},
                   {2560, "version", 3}};
    for (const auto& h : headers) {
        EXPECT_EQ(std::string(blob.c_str() + h.offset), h.name);
        if (h.size) {
            EXPECT_EQ(strtoul(blob.substr(h.offset + 124, 11).c_str(), nullptr, 8), h.size) << h.name;
        }
    }
    EXPECT_EQ(blob.substr(3072, 512), "1.0" + std::string(509, '\0'));
    EXPECT_EQ(blob.substr(3584), std::string(2048, '\0'));
    // The parameters in key order: bypass, drive, heat, mix, tone, volume.
    std::string parameters = blob.substr(2048, 100);
    EXPECT_EQ(parameters, records({{"bypass", f32(SAVED[5])}, {"drive", f32(SAVED[0])},
                                   {"heat", f32(SAVED[2])}, {"mix", f32(SAVED[3])},
                                   {"tone", f32(SAVED[1])}, {"volume", f32(SAVED[4])}}));

    // A drive of 50 is the record 05 00 00 00 04 00 00 00 "drive" 00 00 48 42.
    float defaults[ENGINE_PARAM_COUNT];
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        defaults[i] = engine_params[i].default_value;
    std::string plain = save("lv2", 44100.0f, defaults);
    EXPECT_EQ(plain.substr(2048 + 18, 17), std::string("\5\0\0\0\4\0\0\0drive\0\0\x48\x42", 17));

    state_doc doc;
    ASSERT_EQ(state_doc_parse(&doc, blob.data(), blob.size()), 0);
    EXPECT_EQ(find(doc.info, "id"), "wyrel-brolt");
    EXPECT_EQ(find(doc.info, "format"), "lv2");
    EXPECT_EQ(find(doc.info, "platform"), "windows");
    EXPECT_EQ(find(doc.info, "sample_rate"), f32(48000.0f));
    EXPECT_EQ(find(doc.info, "version_major"), u32(1));
    EXPECT_EQ(find(doc.info, "version_minor"), u32(2));
    EXPECT_EQ(find(doc.info, "version_revision"), u32(0));
    EXPECT_EQ(find(doc.info, "version_build"), u32(1));
    state_doc_free(&doc);
}

TEST(StateDoc, FormatsDifferOnlyInTheFormatRecordAndLoadInEachOther)
{
    std::string lv2 = save("lv2"), vst3 = save("vst3");
    ASSERT_EQ(lv2.size(), vst3.size());
    for (size_t i = 0; i < lv2.size(); i++) {
        if (lv2[i] == vst3[i])
            continue;
        // Only the "info.map" header's size and checksum fields and its data.
        bool allowed = (i >= 512 + 124 && i < 512 + 136) || (i >= 512 + 148 && i < 512 + 156) ||
                       (i >= 1024 && i < 1536);
        EXPECT_TRUE(allowed) << "byte " << i;
    }
    for (const std::string* blob : {&lv2, &vst3}) {
        float values[ENGINE_PARAM_COUNT];
        ASSERT_EQ(load(*blob, values), 0);
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            EXPECT_EQ(values[i], SAVED[i]);
    }
}

TEST(StateDoc, VersionTextIsOneDotZeroAndOptionalWhitespace)
{
    const struct {
        std::string text;
        int error;
    } cases[] = {
        {"1.0", 0},          {"1.0\n", 0},     {"1.0  \t", 0},
        {"1.0\r\n\v\f", 0},  {"1.0a", EINVAL}, {"1.01", EINVAL},
        {std::string("1.0\0", 4), EINVAL},     {"1.1", EINVAL},
        {"1.", EINVAL},      {"", EINVAL},     {" 1.0", EINVAL},
    };
    for (const auto& c : cases) {
        DocParts parts;
        parts.version = c.text;
        EXPECT_EQ(parse_error(parts.blob()), c.error) << "version \"" << c.text << "\"";
    }
}

TEST(StateDoc, MissingOrMalformedMembersAreRejected)
{
    const struct {
        const char* what;
        void (*change)(DocParts&);
    } cases[] = {
        {"no dsp.tar", [](DocParts& p) { p.with_dsp = false; }},
        {"no version", [](DocParts& p) { p.with_version = false; }},
        {"no info.map", [](DocParts& p) { p.with_info = false; }},
        {"no parameters.map", [](DocParts& p) { p.with_parameters = false; }},
        {"zero-length key", [](DocParts& p) { p.info.push_back({"", "x"}); }},
    };
    for (const auto& c : cases) {
        DocParts parts;
        c.change(parts);
        EXPECT_EQ(parse_error(parts.blob()), EINVAL) << c.what;
    }
    // A broken inner archive passes the reader's error through.
    std::string blob = DocParts().blob();
    blob[512 + 130] = ' ';  // the size field of the first inner header
    EXPECT_EQ(parse_error(blob), EINVAL);
    EXPECT_EQ(parse_error(std::string()), EINVAL);  // an empty archive has no dsp.tar
}

TEST(StateDoc, LoadingRulesRefuseTheWholeDocument)
{
    const struct {
        const char* what;
        void (*change)(DocParts&);
    } cases[] = {
        {"drive of 3 bytes", [](DocParts& p) { p.set_parameter("drive", "abc"); }},
        {"drive of 8 bytes", [](DocParts& p) { p.set_parameter("drive", f32(1) + f32(1)); }},
        {"volume NaN", [](DocParts& p) { p.set_parameter("volume", f32(NAN)); }},
        {"bypass missing", [](DocParts& p) { p.parameters.pop_back(); }},
        {"id differs in a byte", [](DocParts& p) { p.info[0].second = "wyrel-brolT"; }},
        {"id longer", [](DocParts& p) { p.info[0].second = "wyrel-brolt2"; }},
        {"id shorter", [](DocParts& p) { p.info[0].second = "wyrel-brol"; }},
        {"id missing", [](DocParts& p) { p.info.erase(p.info.begin()); }},
    };
    for (const auto& c : cases) {
        DocParts parts;
        c.change(parts);
        std::string blob = parts.blob();
        state_doc doc;
        ASSERT_EQ(state_doc_parse(&doc, blob.data(), blob.size()), 0) << c.what;
        float values[ENGINE_PARAM_COUNT] = {-1, -1, -1, -1, -1, -1};
        EXPECT_EQ(state_doc_load_values(&doc, values), -1) << c.what;
        for (float v : values)
            EXPECT_EQ(v, -1.0f) << c.what;
        state_doc_free(&doc);
    }
}

TEST(StateDoc, LoadedValuesAreLimitedToTheirRanges)
{
    DocParts parts;
    parts.set_parameter("drive", f32(250.0f));
    parts.set_parameter("tone", f32(INFINITY));  // not a NaN: passes and is limited
    parts.set_parameter("heat", f32(-INFINITY));
    parts.set_parameter("mix", f32(100.0f));
    parts.set_parameter("volume", f32(-5.0f));
    parts.set_parameter("bypass", f32(0.5f));
    float values[ENGINE_PARAM_COUNT];
    ASSERT_EQ(load(parts.blob(), values), 0);
    const float expected[ENGINE_PARAM_COUNT] = {100.0f, 100.0f, 0.0f, 100.0f, 0.0f, 1.0f};
    for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
        EXPECT_EQ(values[i], expected[i]) << engine_params[i].key;

    const struct {
        int32_t index;
        float in, out;
    } limits[] = {{4, 250.0f, 200.0f}, {4, 199.5f, 199.5f}, {5, 0.49f, 0.0f}, {5, 7.0f, 1.0f},
                  {5, -1.0f, 0.0f},    {0, -0.0f, 0.0f}};
    for (const auto& l : limits)
        EXPECT_EQ(state_limit_value(l.index, l.in), l.out) << l.index << " " << l.in;
}

TEST(StateDoc, ExtraMembersLoadButAreNotWrittenBackByASave)
{
    DocParts parts;
    parts.dsp_extra = {{"notes.txt", "hello"}, {"version2", "x"}};
    parts.outer_extra = {{"cover.png", "img"}};
    parts.info.push_back({"colour", "red"});
    std::string blob = parts.blob();
    state_doc doc;
    ASSERT_EQ(state_doc_parse(&doc, blob.data(), blob.size()), 0);
    EXPECT_EQ(find(doc.dsp_extra, "notes.txt"), "hello");
    EXPECT_EQ(find(doc.dsp_extra, "version2"), "x");  // only exact names are known members
    EXPECT_EQ(find(doc.dsp_extra, "version"), "<missing>");
    EXPECT_EQ(find(doc.outer_extra, "cover.png"), "img");
    EXPECT_EQ(find(doc.outer_extra, "dsp.tar"), "<missing>");

    // state_doc_serialize writes what the maps hold...
    size_t size = 0;
    uint8_t* again = state_doc_serialize(&doc, &size);
    ASSERT_NE(again, nullptr);
    state_doc reread;
    ASSERT_EQ(state_doc_parse(&reread, again, size), 0);
    EXPECT_EQ(find(reread.outer_extra, "cover.png"), "img");
    EXPECT_EQ(find(reread.dsp_extra, "notes.txt"), "hello");
    EXPECT_EQ(find(reread.info, "colour"), "red");
    state_doc_free(&reread);
    free(again);

    // ...but a binding's save starts from a fresh document.
    float values[ENGINE_PARAM_COUNT];
    ASSERT_EQ(state_doc_load_values(&doc, values), 0);
    state_doc_free(&doc);
    std::string saved = save("lv2", 48000.0f, values);
    EXPECT_EQ(saved.size(), (size_t)STATE_BLOB_SIZE);
    EXPECT_EQ(saved.find("notes.txt"), std::string::npos);
    EXPECT_EQ(saved.find("cover.png"), std::string::npos);
    EXPECT_EQ(saved.find("colour"), std::string::npos);
}

TEST(StateDoc, SerializeFailsOnALongMemberNameAndKeepsTheDocument)
{
    state_doc doc;
    ASSERT_EQ(state_doc_init(&doc), 0);
    std::string name(100, 'm');
    kv_map_insert(doc.outer_extra, name.data(), name.size(), "x", 1);
    size_t size = 0;
    EXPECT_EQ(state_doc_serialize(&doc, &size), nullptr);
    EXPECT_NE(doc.outer_extra, nullptr);
    state_doc_free(&doc);
    state_doc_free(&doc);  // a released document may be released again
}
