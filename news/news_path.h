// Path forms of the store functions for callers that pass their components
// on as a va_list.
#pragma once

#include <stdarg.h>
#include <wchar.h>

wchar_t* nuvro_build_path_v(bool directory_only, va_list components);
int nuvro_make_folders_v(bool directory_only, va_list components);
