// kv_map: key order, AVL shape after every insertion, duplicate placement.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "state/state.h"

namespace {

int compare(const std::string& a, const std::string& b)
{
    return kv_map_compare((const uint8_t*)a.data(), a.size(), (const uint8_t*)b.data(), b.size());
}

struct Visited {
    std::string key;
    const uint8_t* value;
};

std::vector<Visited> entries_of(const kv_map* map)
{
    std::vector<Visited> out;
    kv_map_for_each(
        map,
        [](const uint8_t* k, uint64_t kl, const uint8_t* v, uint64_t, void* ctx) {
            ((std::vector<Visited>*)ctx)->push_back({std::string((const char*)k, kl), v});
            return 0;
        },
        &out);
    return out;
}

// Checks heights, balance and parent links; returns the subtree height.
int64_t check_subtree(const kv_node* node, const kv_node* parent)
{
    if (!node)
        return 0;
    EXPECT_EQ(node->parent, parent);
    int64_t left = check_subtree(node->left, node);
    int64_t right = check_subtree(node->right, node);
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(node->height, 1 + std::max(left, right));
    return node->height;
}

struct MapFixture : ::testing::Test {
    kv_map* map = kv_map_new();
    void TearDown() override { kv_map_free(map); }
    // The map borrows the key: it must outlive the map.
    void insert(const std::string& key, const void* value = nullptr)
    {
        ASSERT_EQ(kv_map_insert(map, key.data(), key.size(), value, 0), 0);
    }
};

}  // namespace

TEST(KvMapCompare, FollowsByteOrderWithShorterKeysFirst)
{
    const struct {
        std::string a, b;
        int sign;
    } cases[] = {
        {"id", "info.map", -1},
        {"version", "parameters.map", 1},
        {"mix", "mixer", -1},             // a prefix sorts first
        {"drive", "drive", 0},
        {"\x7f", "\x80", -1},              // bytes compare unsigned
        {"", "a", -1},                    // the empty key is the smallest
        {std::string("a\0x", 3), std::string("a\0y", 3), 0},   // a shared zero ends the walk
        {std::string("a\0x", 3), std::string("a\0", 2), 1},    // then length decides
        {std::string("a\0", 2), std::string("a\1", 2), -1},
    };
    for (const auto& c : cases) {
        int ab = compare(c.a, c.b), ba = compare(c.b, c.a);
        EXPECT_EQ((ab > 0) - (ab < 0), c.sign) << c.a << " vs " << c.b;
        EXPECT_EQ((ba > 0) - (ba < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

TEST_F(MapFixture, StaysBalancedAndSortedWhateverTheInsertionOrder)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 300; i++)
        keys.push_back("k" + std::to_string(i * 7919 % 1000));
    std::mt19937 rng(7);
    std::shuffle(keys.begin(), keys.end(), rng);
    // Ascending insertion is the classic worst case for an unbalanced tree.
    std::vector<std::string> ascending = keys;
    std::sort(ascending.begin(), ascending.end());
    kv_map* second = kv_map_new();
    for (size_t i = 0; i < keys.size(); i++) {
        insert(keys[i]);
        ASSERT_EQ(kv_map_insert(second, ascending[i].data(), ascending[i].size(), nullptr, 0), 0);
        check_subtree(map->root, nullptr);
        check_subtree(second->root, nullptr);
    }
    EXPECT_LE(second->root->height, 12);  // 1.44 log2(300) is about 11.9
    std::vector<Visited> a = entries_of(map), b = entries_of(second);
    ASSERT_EQ(a.size(), keys.size());
    for (size_t i = 0; i < a.size(); i++) {
        EXPECT_EQ(a[i].key, ascending[i]);
        EXPECT_EQ(b[i].key, ascending[i]);
    }
    kv_map_free(second);
}

TEST_F(MapFixture, DuplicateGoesDirectlyBeforeTheFirstEqualEntryMet)
{
    uint8_t v[4];
    static const std::string b = "b";
    insert(b, &v[1]);
    insert(b, &v[2]);  // left child of the first
    insert(b, &v[3]);  // right-most of the root's left subtree, then rotated to the root
    std::vector<Visited> e = entries_of(map);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].value, &v[2]);
    EXPECT_EQ(e[1].value, &v[3]);
    EXPECT_EQ(e[2].value, &v[1]);
    EXPECT_EQ(map->root->entry->value, &v[3]);
}

TEST_F(MapFixture, DuplicatesStayAdjacentAmongOtherKeys)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 60; i++)
        keys.push_back(std::string(1, (char)('a' + i % 7)));
    std::mt19937 rng(3);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (const auto& k : keys)
        insert(k);
    check_subtree(map->root, nullptr);
    std::vector<Visited> e = entries_of(map);
    ASSERT_EQ(e.size(), keys.size());
    EXPECT_TRUE(std::is_sorted(e.begin(), e.end(),
                               [](const Visited& x, const Visited& y) { return x.key < y.key; }));
}

TEST_F(MapFixture, FindReturnsAMatchAndLeavesTheLengthAloneOtherwise)
{
    static const char a[] = "alpha", b[] = "beta";
    ASSERT_EQ(kv_map_insert(map, "x", 1, a, 5), 0);
    ASSERT_EQ(kv_map_insert(map, "y", 1, b, 4), 0);
    ASSERT_EQ(kv_map_insert(map, "y", 1, a, 5), 0);
    uint64_t length = 99;
    EXPECT_EQ(kv_map_find(map, "x", 1, &length), (const uint8_t*)a);
    EXPECT_EQ(length, 5u);
    const uint8_t* y = kv_map_find(map, "y", 1, &length);
    EXPECT_TRUE((y == (const uint8_t*)a && length == 5) || (y == (const uint8_t*)b && length == 4));
    length = 99;
    EXPECT_EQ(kv_map_find(map, "xy", 2, &length), nullptr);
    EXPECT_EQ(kv_map_find(map, "", 0, &length), nullptr);
    EXPECT_EQ(length, 99u);
}

TEST_F(MapFixture, ForEachStopsAtTheFirstNonZeroResult)
{
    for (const char* k : {"c", "a", "d", "b"})
        ASSERT_EQ(kv_map_insert(map, k, 1, nullptr, 0), 0);
    std::string seen;
    int result = kv_map_for_each(
        map,
        [](const uint8_t* k, uint64_t, const uint8_t*, uint64_t, void* ctx) {
            std::string* s = (std::string*)ctx;
            *s += (char)k[0];
            return k[0] == 'b' ? 42 : 0;
        },
        &seen);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(seen, "ab");
    kv_map* empty = kv_map_new();
    EXPECT_EQ(kv_map_for_each(empty, [](const uint8_t*, uint64_t, const uint8_t*, uint64_t,
                                        void*) { return 1; },
                              nullptr),
              0);
    kv_map_free(empty);
}
