// A WebView2Loader.dll that lacks the entry point, for the tests.
#include <windows.h>

extern "C" __declspec(dllexport) int brolt_not_a_loader(void)
{
    return 0;
}
