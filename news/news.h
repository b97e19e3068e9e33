// The news store: small texts shared by every editor of the user (system id,
// news record, latest-version record per product id), kept as files under
// %APPDATA%\Wyrel.DIGITAL, plus the handler of the page's "nuvroV1" requests.
//
// Every read and write holds an exclusive whole-file lock; the
// compare-and-replace update decides and writes under one lock. Failures are
// silent: the page only ever sees a reply or no reply.
//
// The variadic functions take UTF-8 path components (file names, or a product
// id and a file name) ending with NUVRO_END.
#pragma once

#include <stddef.h>
#include <wchar.h>

struct WebUiHost;

#define NUVRO_END ((const char*)0)

// Longest product id accepted from the page, in bytes.
#define NUVRO_PRODUCT_ID_MAX 64

// A new wide path: the store folder, then a backslash and each component.
// With directory_only the last component is left out. Null on failure
// (no APPDATA, an empty or invalid component, out of memory). Free with free.
wchar_t* nuvro_build_path(bool directory_only, ...);

// Creates every folder of nuvro_build_path(directory_only, ...) below the
// path's root (drive, share or long-path prefix). 0 on success, -1 on failure.
int nuvro_make_folders(bool directory_only, ...);

// Where the folder walk of nuvro_make_folders starts in path: the length of
// its root ("C:", "\\server\share", "\\?\C:", "\\?\UNC\server\share", ...).
size_t nuvro_skip_root(const wchar_t* path);

// 0 with *out_text a new text (empty for an empty file), 0 with *out_text
// null when the file does not exist, -1 on failure.
int nuvro_read_file(char** out_text, ...);

// Replaces the file's contents with text, creating folders and file as
// needed. The file is emptied only under its lock. 0 on success, -1 on failure.
int nuvro_write_file(const char* text, ...);

// Compare-and-replace of store folder\[product_id\]file_name with a sync
// payload ("-" or an 8-character tag, one separator, the new record). On a
// conflict it sends "nuvroV1 <conflict_word> <stored record>" to the page.
// A refused product id or a payload too short for its form does nothing.
void nuvro_sync_file(WebUiHost* host, const char* product_id,
                     const char* file_name, const char* payload,
                     const char* conflict_word);

// A new heap text made of the texts in order, ending with NUVRO_END; null if
// out of memory.
char* nuvro_concat(const char* first, ...);

// True when id may name a product folder: 1 to NUVRO_PRODUCT_ID_MAX bytes, no
// separator, colon, control character or <>"|?*, not "." or "..", and no
// trailing dot or space (which Windows would strip, aliasing another name).
bool nuvro_product_id_valid(const char* id);

// True when the len bytes at text are well-formed UTF-8 (no overlong forms,
// no surrogates, nothing above U+10FFFF).
bool nuvro_utf8_valid(const char* text, size_t len);

// The Web UI host's handler of "m" page messages: runs one "nuvroV1" request
// against the store and sends its replies with web_ui_send_message.
void nuvro_handle_message(WebUiHost* host, const char* text);
