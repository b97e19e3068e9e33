// The page's news requests: "nuvroV1 <verb> ..." texts, recognised by
// prefix (trailing space included) in table order, run against the store.
#include "news/news.h"
#include "webui/web_ui.h"

#include <stdlib.h>
#include <string.h>

// Sends the texts concatenated; false when out of memory.
static bool nuvro_reply(WebUiHost* host, const char* prefix, const char* text)
{
    char* reply = nuvro_concat(prefix, text, NUVRO_END);
    if (!reply)
        return false;
    web_ui_send_message(host, reply);
    free(reply);
    return true;
}

static void nuvro_init(WebUiHost* host, const char* product_id)
{
    if (!nuvro_product_id_valid(product_id))
        return;
    char* sid = nullptr;
    char* news = nullptr;
    char* latest = nullptr;
    bool read = nuvro_read_file(&sid, "nuvro-system", NUVRO_END) == 0 &&
                nuvro_read_file(&news, "nuvro-news", NUVRO_END) == 0 &&
                nuvro_read_file(&latest, product_id, "latest", NUVRO_END) == 0;
    if (read) {
        struct {
            const char* prefix;
            const char* text;
        } replies[] = {
            {"nuvroV1 initSid ", sid},
            {"nuvroV1 initNews ", news},
            {"nuvroV1 initLatest ", latest},
            {"nuvroV1 initDone ", ""},
        };
        for (const auto& r : replies)
            if (r.text && !nuvro_reply(host, r.prefix, r.text))
                break;
    }
    free(sid);
    free(news);
    free(latest);
}

static void nuvro_get_news(WebUiHost* host, const char*)
{
    char* news = nullptr;
    if (nuvro_read_file(&news, "nuvro-news", NUVRO_END) != 0)
        return;
    nuvro_reply(host, "nuvroV1 getNews ", news ? news : "");
    free(news);
}

static void nuvro_new_sid(WebUiHost*, const char* sid)
{
    nuvro_write_file(sid, "nuvro-system", NUVRO_END);
}

static void nuvro_sync_news(WebUiHost* host, const char* payload)
{
    nuvro_sync_file(host, nullptr, "nuvro-news", payload, "syncNewsConflict");
}

static void nuvro_sync_news_force(WebUiHost*, const char* news)
{
    nuvro_write_file(news, "nuvro-news", NUVRO_END);
}

// "product-id rest": the id as a new text, or null when there is no space,
// the id is refused, or memory runs out. *rest points behind the space.
static char* nuvro_split_product(const char* text, const char** rest)
{
    const char* space = strchr(text, ' ');
    if (!space || (size_t)(space - text) > NUVRO_PRODUCT_ID_MAX)
        return nullptr;
    size_t n = (size_t)(space - text);
    char* id = (char*)malloc(n + 1);
    if (!id)
        return nullptr;
    memcpy(id, text, n);
    id[n] = '\0';
    if (!nuvro_product_id_valid(id)) {
        free(id);
        return nullptr;
    }
    *rest = space + 1;
    return id;
}

static void nuvro_sync_latest(WebUiHost* host, const char* text)
{
    const char* payload;
    char* id = nuvro_split_product(text, &payload);
    if (!id)
        return;
    nuvro_sync_file(host, id, "latest", payload, "syncLatestConflict");
    free(id);
}

static void nuvro_sync_latest_force(WebUiHost*, const char* text)
{
    const char* record;
    char* id = nuvro_split_product(text, &record);
    if (!id)
        return;
    nuvro_write_file(record, id, "latest", NUVRO_END);
    free(id);
}

typedef void (*NuvroRequestFn)(WebUiHost* host, const char* rest);

typedef struct NuvroRequest {
    const char* prefix;
    NuvroRequestFn run;
} NuvroRequest;

// Tested in this order; the first match wins.
static const NuvroRequest nuvro_requests[] = {
    {"nuvroV1 init ", nuvro_init},
    {"nuvroV1 getNews ", nuvro_get_news},
    {"nuvroV1 newSid ", nuvro_new_sid},
    {"nuvroV1 syncNews ", nuvro_sync_news},
    {"nuvroV1 syncLatest ", nuvro_sync_latest},
    {"nuvroV1 syncNewsForce ", nuvro_sync_news_force},
    {"nuvroV1 syncLatestForce ", nuvro_sync_latest_force},
};

void nuvro_handle_message(WebUiHost* host, const char* text)
{
    if (!text || !nuvro_utf8_valid(text, strlen(text)))
        return;
    for (const NuvroRequest& r : nuvro_requests) {
        size_t n = strlen(r.prefix);
        if (strncmp(text, r.prefix, n) == 0) {
            r.run(host, text + n);
            return;
        }
    }
}
