// Text helpers of the news store: concatenation and the checks applied to
// what the page sends.
#include "news/news.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

char* nuvro_concat(const char* first, ...)
{
    size_t total = 0;
    va_list args;
    va_start(args, first);
    for (const char* t = first; t; t = va_arg(args, const char*))
        total += strlen(t);
    va_end(args);

    char* out = (char*)malloc(total + 1);
    if (!out)
        return nullptr;
    char* at = out;
    va_start(args, first);
    for (const char* t = first; t; t = va_arg(args, const char*)) {
        size_t n = strlen(t);
        memcpy(at, t, n);
        at += n;
    }
    va_end(args);
    *at = '\0';
    return out;
}

bool nuvro_utf8_valid(const char* text, size_t len)
{
    const uint8_t* s = (const uint8_t*)text;
    size_t i = 0;
    while (i < len) {
        uint8_t c = s[i];
        if (c < 0x80) {
            i++;
            continue;
        }
        // Lead byte: sequence length and the allowed range of the second
        // byte, which rules out overlong forms, surrogates and > U+10FFFF.
        size_t n;
        uint8_t lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (len - i < n || s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (size_t k = 2; k < n; k++)
            if (s[i + k] < 0x80 || s[i + k] > 0xBF)
                return false;
        i += n;
    }
    return true;
}

bool nuvro_product_id_valid(const char* id)
{
    size_t len = strlen(id);
    if (len == 0 || len > NUVRO_PRODUCT_ID_MAX)
        return false;
    if (strcmp(id, ".") == 0 || strcmp(id, "..") == 0)
        return false;
    // Windows drops trailing dots and spaces from names, so "abc." would
    // be the folder "abc" and "..." could fold away.
    if (id[len - 1] == '.' || id[len - 1] == ' ')
        return false;
    for (size_t i = 0; i < len; i++) {
        unsigned char c = (unsigned char)id[i];
        if (c < 0x20 || c == 0x7F || strchr("\\/:<>\"|?*", c))
            return false;
    }
    return true;
}
