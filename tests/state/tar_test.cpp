// The ustar reader and writer: exact header bytes, block rounding, strict
// size fields and buffer bounds.
#include <gtest/gtest.h>

#include <errno.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "state/state.h"

namespace {

struct Member {
    std::string name, data;
};

// Writes the members (in insertion order) through tar_serialize.
std::string write_tar(const std::vector<Member>& members)
{
    kv_map* map = kv_map_new();
    for (const Member& m : members)
        kv_map_insert(map, m.name.data(), m.name.size(), m.data.data(), m.data.size());
    size_t size = 0;
    uint8_t* out = tar_serialize(map, &size);
    kv_map_free(map);
    EXPECT_NE(out, nullptr);
    std::string result = out ? std::string((const char*)out, size) : std::string();
    free(out);
    return result;
}

// Parses buffer; returns the members in key order, or sets *error.
std::vector<Member> read_tar(const std::string& buffer, int* error = nullptr)
{
    errno = 0;
    kv_map* map = tar_parse(buffer.data(), buffer.size());
    std::vector<Member> out;
    if (!map) {
        if (error)
            *error = errno;
        else
            ADD_FAILURE() << "tar_parse failed, errno " << errno;
        return out;
    }
    if (error)
        *error = 0;
    kv_map_for_each(
        map,
        [](const uint8_t* k, uint64_t kl, const uint8_t* v, uint64_t vl, void* ctx) {
            ((std::vector<Member>*)ctx)->push_back(
                {std::string((const char*)k, kl), std::string((const char*)v, vl)});
            return 0;
        },
        &out);
    kv_map_free(map);
    return out;
}

int parse_error(const std::string& buffer)
{
    int error = -1;
    std::vector<Member> m = read_tar(buffer, &error);
    return error;
}

// One header field as written, e.g. field(h, 100, 8).
std::string field(const std::string& header, size_t offset, size_t length)
{
    return header.substr(offset, length);
}

}  // namespace

TEST(Tar, EmptyMapIsTwoZeroBlocksAndReadsBackEmpty)
{
    std::string tar = write_tar({});
    EXPECT_EQ(tar, std::string(1024, '\0'));
    EXPECT_TRUE(read_tar(tar).empty());
    EXPECT_TRUE(read_tar(std::string()).empty());
    kv_map* map = tar_parse(nullptr, 0);
    ASSERT_NE(map, nullptr);
    kv_map_free(map);
}

TEST(Tar, ValuesAreRoundedToWholeBlocks)
{
    const struct {
        size_t value, archive;
    } cases[] = {{0, 512 + 1024}, {1, 1024 + 1024}, {512, 1024 + 1024}, {513, 1536 + 1024}};
    for (const auto& c : cases) {
        std::string value(c.value, 'v');
        std::string tar = write_tar({{"m", value}});
        ASSERT_EQ(tar.size(), c.archive) << c.value;
        // Data follows the header and the padding is zero.
        EXPECT_EQ(tar.substr(512, c.value), value);
        EXPECT_EQ(tar.substr(512 + c.value), std::string(tar.size() - 512 - c.value, '\0'));
        std::vector<Member> back = read_tar(tar);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].data, value);
    }
}

TEST(Tar, HeaderBytesAndChecksumsAreExact)
{
    const struct {
        std::string name;
        size_t size;
        const char* chksum;
    } cases[] = {
        {"dsp.tar", 4096, "07232\0\0 "},   // 3738
        {"version", 3, "07346\0\0 "},      // 3814
    };
    for (const auto& c : cases) {
        std::string header = write_tar({{c.name, std::string(c.size, '\0')}}).substr(0, 512);
        EXPECT_EQ(field(header, 0, 100), c.name + std::string(100 - c.name.size(), '\0'));
        EXPECT_EQ(field(header, 100, 8), std::string("0000644\0", 8));
        EXPECT_EQ(field(header, 108, 8), std::string("0000000\0", 8));
        EXPECT_EQ(field(header, 116, 8), std::string("0000000\0", 8));
        std::string size(12, '\0');
        for (size_t i = 0, v = c.size; i < 11; i++, v >>= 3)
            size[10 - i] = (char)('0' + (v & 7));
        EXPECT_EQ(field(header, 124, 12), size);
        EXPECT_EQ(field(header, 136, 12), std::string("00000000000\0", 12));
        EXPECT_EQ(field(header, 148, 8), std::string(c.chksum, 8)) << c.name;
        EXPECT_EQ(header[156], '0');
        EXPECT_EQ(field(header, 157, 100), std::string(100, '\0'));
        EXPECT_EQ(field(header, 257, 8), std::string("ustar\0" "00", 8));
        EXPECT_EQ(field(header, 265, 512 - 265), std::string(512 - 265, '\0'));
        // The rule itself: the sum with the field as eight spaces.
        std::string blank = header;
        blank.replace(148, 8, 8, ' ');
        unsigned sum = 0;
        for (unsigned char b : blank)
            sum += b;
        EXPECT_EQ(strtoul(field(header, 148, 5).c_str(), nullptr, 8), sum);
    }
}

TEST(Tar, NamesMustStayBelowOneHundredBytes)
{
    std::string name99(99, 'n');
    std::vector<Member> back = read_tar(write_tar({{name99, "x"}}));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, name99);

    kv_map* map = kv_map_new();
    std::string name100(100, 'n');
    kv_map_insert(map, "a", 1, "x", 1);
    kv_map_insert(map, name100.data(), name100.size(), "x", 1);
    size_t size = 7;
    EXPECT_EQ(tar_serialize(map, &size), nullptr);
    kv_map_free(map);

    // A name field with no NUL at all reads as all 100 bytes.
    std::string tar = write_tar({{name99, "x"}});
    tar[99] = 'n';
    back = read_tar(tar);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, name100);
}

TEST(Tar, MembersAreWrittenInKeyOrderWithDuplicatesAdjacent)
{
    std::string tar = write_tar({{"version", "1.0"}, {"info.map", "i"}, {"x", "2"},
                                 {"parameters.map", "p"}, {"x", "1"}});
    std::vector<std::string> names;
    for (size_t at = 0; at < tar.size() && tar[at]; at += 1024)
        names.push_back(tar.substr(at, tar.find('\0', at) - at));
    EXPECT_EQ(names, (std::vector<std::string>{"info.map", "parameters.map", "version", "x", "x"}));
    std::vector<Member> back = read_tar(tar);
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[3].name, "x");
    EXPECT_EQ(back[4].name, "x");
    EXPECT_NE(back[3].data, back[4].data);
}

TEST(Tar, SizeFieldIsElevenOctalDigitsAndANul)
{
    // A member of ten bytes: the next header starts 1024 bytes later.
    std::string tar = write_tar({{"a", "0123456789"}, {"b", "second"}});
    EXPECT_EQ(field(tar, 124, 12), std::string("00000000012\0", 12));
    EXPECT_EQ(tar.substr(1024, 1), "b");
    EXPECT_EQ(read_tar(tar).size(), 2u);

    const struct {
        const char* what;
        std::string size_field;
    } bad[] = {
        {"space padding", std::string("        12\0\0", 12)},
        {"space terminator", std::string("00000000012 ", 12)},
        {"NUL among the digits", std::string("0000000\0" "012\0", 12)},
        {"digit 8", std::string("00000000018\0", 12)},
        {"2^31", std::string("20000000000\0", 12)},
        {"largest field value", std::string("77777777777\0", 12)},
        {"ten digits", std::string("0000000012\0\0", 12)},
    };
    for (const auto& b : bad) {
        std::string broken = tar;
        broken.replace(124, 12, b.size_field);
        EXPECT_EQ(parse_error(broken), EINVAL) << b.what;
    }
}

TEST(Tar, OnlyNameAndSizeAreRead)
{
    std::string tar = write_tar({{"a", "data"}});
    tar.replace(148, 8, "1234567", 8);  // wrong checksum
    tar.replace(257, 6, "other", 6);    // other magic
    tar[156] = '5';                  // a directory type flag
    std::vector<Member> back = read_tar(tar);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, "a");
    EXPECT_EQ(back[0].data, "data");
}

TEST(Tar, ReadingStopsAtTheFirstZeroByteHeader)
{
    std::string tar = write_tar({{"a", "1"}}) + write_tar({{"b", "2"}});
    std::vector<Member> back = read_tar(tar);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, "a");
    // Garbage after the end block is never looked at.
    tar = write_tar({{"a", "1"}}) + "garbage";
    EXPECT_EQ(read_tar(tar).size(), 1u);
}

TEST(Tar, InputThatRunsPastTheBufferIsMalformed)
{
    std::string tar = write_tar({{"a", std::string(600, 'd')}});  // header, 2 data blocks, end
    // Without end blocks, and even without the data's padding, it still reads.
    EXPECT_EQ(read_tar(tar.substr(0, 512 + 1024)).size(), 1u);
    EXPECT_EQ(read_tar(tar.substr(0, 512 + 600)).size(), 1u);
    EXPECT_EQ(parse_error(tar.substr(0, 512 + 599)), EINVAL);  // data cut short
    EXPECT_EQ(parse_error(tar.substr(0, 300)), EINVAL);        // header cut short
    EXPECT_EQ(parse_error(std::string(1, 'x')), EINVAL);
}
