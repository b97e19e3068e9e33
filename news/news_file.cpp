// Store files: locked whole-file reads, forced writes and the
// compare-and-replace update. Files are text mode, so a line feed is stored
// as CR LF and read back as a line feed.
#include "news/news.h"
#include "news/news_path.h"
#include "webui/web_ui.h"

#include <windows.h>
#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// An exclusive lock on every byte the file may ever have, waiting without a
// time-out: other handles, threads and processes are shut out of the file.
static bool nuvro_lock(FILE* file)
{
    OVERLAPPED at = {};
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(file));
    return h != INVALID_HANDLE_VALUE &&
           LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 0xFFFFFFFF, 0xFFFFFFFF, &at);
}

static void nuvro_unlock(FILE* file)
{
    OVERLAPPED at = {};
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(file));
    UnlockFileEx(h, 0, 0xFFFFFFFF, 0xFFFFFFFF, &at);
}

// The whole file, read under the caller's lock: a new text or null.
static char* nuvro_read_locked(FILE* file)
{
    if (fseek(file, 0, SEEK_END) != 0)
        return nullptr;
    long size = ftell(file);
    if (size < 0 || fseek(file, 0, SEEK_SET) != 0)
        return nullptr;
    char* text = (char*)malloc((size_t)size + 1);
    if (!text)
        return nullptr;
    size_t got = fread(text, 1, (size_t)size, file);
    if (ferror(file)) {
        free(text);
        return nullptr;
    }
    text[got] = '\0';
    return text;
}

// Empties the locked file and writes text from its start.
static int nuvro_replace_locked(FILE* file, const char* text)
{
    if (_chsize(_fileno(file), 0) != 0)
        return -1;
    if (fputs(text, file) < 0 || fflush(file) != 0)
        return -1;
    return 0;
}

int nuvro_read_file(char** out_text, ...)
{
    *out_text = nullptr;
    va_list components;
    va_start(components, out_text);
    wchar_t* path = nuvro_build_path_v(false, components);
    va_end(components);
    if (!path)
        return -1;
    FILE* file = _wfopen(path, L"r");
    free(path);
    if (!file)
        return errno == ENOENT ? 0 : -1;
    if (!nuvro_lock(file)) {
        fclose(file);
        return -1;
    }
    char* text = nuvro_read_locked(file);
    nuvro_unlock(file);
    fclose(file);
    *out_text = text;
    return text ? 0 : -1;
}

int nuvro_write_file(const char* text, ...)
{
    va_list components;
    va_start(components, text);
    va_list again;
    va_copy(again, components);
    int made = nuvro_make_folders_v(true, components);
    wchar_t* path = made == 0 ? nuvro_build_path_v(false, again) : nullptr;
    va_end(again);
    va_end(components);
    if (!path)
        return -1;
    // "a" creates the file but keeps its contents: it is emptied only once
    // the lock is held, so no reader sees it empty and a write that can't
    // lock leaves the old record.
    FILE* file = _wfopen(path, L"a");
    free(path);
    if (!file)
        return -1;
    int result = -1;
    if (nuvro_lock(file)) {
        result = nuvro_replace_locked(file, text);
        nuvro_unlock(file);
    }
    fclose(file);
    return result;
}

// The sync decision, taken under the lock with the file at its start: true
// when the stored record may be replaced by the payload's new record.
static bool nuvro_sync_allowed(FILE* file, long size, const char* payload)
{
    if (size == 0)
        return true;
    if (payload[0] == '-')
        return false;
    for (int i = 0; i < 8; i++) {
        int c = fgetc(file);
        if (c == EOF || (char)c != payload[i])
            return false;
    }
    return true;
}

void nuvro_sync_file(WebUiHost* host, const char* product_id,
                     const char* file_name, const char* payload,
                     const char* conflict_word)
{
    // "-" and one separator, or a tag of 8 and one separator: anything
    // shorter has no record to store.
    size_t record_at = payload[0] == '-' ? 2 : 9;
    if (strnlen(payload, record_at) < record_at)
        return;
    const char* record = payload + record_at;
    if (product_id && !nuvro_product_id_valid(product_id))
        return;

    int made = product_id ? nuvro_make_folders(false, product_id, NUVRO_END)
                          : nuvro_make_folders(false, NUVRO_END);
    if (made != 0)
        return;
    wchar_t* path = product_id
                        ? nuvro_build_path(false, product_id, file_name, NUVRO_END)
                        : nuvro_build_path(false, file_name, NUVRO_END);
    if (!path)
        return;
    FILE* file = _wfopen(path, L"a+");
    free(path);
    if (!file)
        return;
    if (!nuvro_lock(file)) {
        fclose(file);
        return;
    }

    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    if (size < 0 || fseek(file, 0, SEEK_SET) != 0) {
        nuvro_unlock(file);
        fclose(file);
        return;
    }

    bool allowed = nuvro_sync_allowed(file, size, payload);
    // Back to the start before switching from reading to writing, or before
    // reading the whole record for the conflict reply.
    if (fseek(file, 0, SEEK_SET) != 0) {
        nuvro_unlock(file);
        fclose(file);
        return;
    }
    if (allowed) {
        nuvro_replace_locked(file, record);
        nuvro_unlock(file);
        fclose(file);
        return;
    }

    char* stored = nuvro_read_locked(file);
    nuvro_unlock(file);
    fclose(file);
    if (!stored)
        return;
    char* reply = nuvro_concat("nuvroV1 ", conflict_word, " ", stored, NUVRO_END);
    free(stored);
    if (!reply)
        return;
    web_ui_send_message(host, reply);
    free(reply);
}
