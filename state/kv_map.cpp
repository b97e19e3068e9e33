// kv_map: a height-balanced binary search tree of borrowed byte strings.
#include "state/state.h"

#include <stdlib.h>

int kv_map_compare(const uint8_t* a, uint64_t a_length, const uint8_t* b, uint64_t b_length)
{
    uint64_t common = a_length < b_length ? a_length : b_length;
    for (uint64_t i = 0; i < common; i++) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
        // Like a C string compare, a shared terminator ends the walk.
        if (a[i] == 0)
            break;
    }
    if (a_length == b_length)
        return 0;
    return a_length < b_length ? -1 : 1;
}

kv_map* kv_map_new(void)
{
    kv_map* map = (kv_map*)malloc(sizeof *map);
    if (!map)
        return NULL;
    map->root = NULL;
    map->compare = kv_map_compare;
    return map;
}

static void free_subtree(kv_node* node)
{
    // The depth of a balanced tree stays small, so recursion is safe.
    if (!node)
        return;
    free_subtree(node->left);
    kv_node* right = node->right;
    free(node->entry);
    free(node);
    free_subtree(right);
}

void kv_map_free(kv_map* map)
{
    if (!map)
        return;
    free_subtree(map->root);
    free(map);
}

static int64_t height_of(const kv_node* node) { return node ? node->height : 0; }

static void update_height(kv_node* node)
{
    int64_t left = height_of(node->left);
    int64_t right = height_of(node->right);
    node->height = 1 + (left > right ? left : right);
}

// Puts replacement where node hung under its parent (or at the root).
static void replace_child(kv_map* map, kv_node* node, kv_node* replacement)
{
    kv_node* parent = node->parent;
    replacement->parent = parent;
    if (!parent)
        map->root = replacement;
    else if (parent->left == node)
        parent->left = replacement;
    else
        parent->right = replacement;
}

static kv_node* rotate_left(kv_map* map, kv_node* node)
{
    kv_node* pivot = node->right;
    replace_child(map, node, pivot);
    node->right = pivot->left;
    if (node->right)
        node->right->parent = node;
    pivot->left = node;
    node->parent = pivot;
    update_height(node);
    update_height(pivot);
    return pivot;
}

static kv_node* rotate_right(kv_map* map, kv_node* node)
{
    kv_node* pivot = node->left;
    replace_child(map, node, pivot);
    node->left = pivot->right;
    if (node->left)
        node->left->parent = node;
    pivot->right = node;
    node->parent = pivot;
    update_height(node);
    update_height(pivot);
    return pivot;
}

static void rebalance_upwards(kv_map* map, kv_node* node)
{
    while (node) {
        update_height(node);
        int64_t balance = height_of(node->left) - height_of(node->right);
        if (balance > 1) {
            if (height_of(node->left->left) < height_of(node->left->right))
                rotate_left(map, node->left);
            node = rotate_right(map, node);
        } else if (balance < -1) {
            if (height_of(node->right->right) < height_of(node->right->left))
                rotate_right(map, node->right);
            node = rotate_left(map, node);
        }
        node = node->parent;
    }
}

int kv_map_insert(kv_map* map, const void* key, uint64_t key_length,
                  const void* value, uint64_t value_length)
{
    kv_entry* entry = (kv_entry*)malloc(sizeof *entry);
    kv_node* node = (kv_node*)malloc(sizeof *node);
    if (!entry || !node) {
        free(entry);
        free(node);
        return -1;
    }
    entry->key_length = key_length;
    entry->value_length = value_length;
    entry->key = (const uint8_t*)key;
    entry->value = (const uint8_t*)value;
    node->left = node->right = node->parent = NULL;
    node->height = 1;
    node->entry = entry;

    if (!map->root) {
        map->root = node;
        return 0;
    }
    kv_node* at = map->root;
    for (;;) {
        int order = map->compare(entry->key, key_length, at->entry->key, at->entry->key_length);
        if (order == 0) {
            // A duplicate goes directly before the first equal entry met:
            // the right-most node of its left subtree, or its left child.
            if (!at->left) {
                at->left = node;
            } else {
                at = at->left;
                while (at->right)
                    at = at->right;
                at->right = node;
            }
            break;
        }
        kv_node** next = order < 0 ? &at->left : &at->right;
        if (!*next) {
            *next = node;
            break;
        }
        at = *next;
    }
    node->parent = at;
    rebalance_upwards(map, at);
    return 0;
}

const uint8_t* kv_map_find(const kv_map* map, const void* key, uint64_t key_length,
                           uint64_t* value_length)
{
    const kv_node* at = map->root;
    while (at) {
        int order = map->compare((const uint8_t*)key, key_length, at->entry->key,
                                 at->entry->key_length);
        if (order == 0) {
            *value_length = at->entry->value_length;
            return at->entry->value;
        }
        at = order < 0 ? at->left : at->right;
    }
    return NULL;
}

static int visit_subtree(const kv_node* node, kv_visit_fn visitor, void* context)
{
    if (!node)
        return 0;
    int result = visit_subtree(node->left, visitor, context);
    if (result)
        return result;
    const kv_entry* e = node->entry;
    result = visitor(e->key, e->key_length, e->value, e->value_length, context);
    if (result)
        return result;
    return visit_subtree(node->right, visitor, context);
}

int kv_map_for_each(const kv_map* map, kv_visit_fn visitor, void* context)
{
    return visit_subtree(map->root, visitor, context);
}
