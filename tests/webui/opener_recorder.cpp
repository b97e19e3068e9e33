// Stands in for the system's rundll32.exe in the tests' Wine prefix: appends
// its own command line to the file named by BROLT_TEST_OPENER_LOG, one line
// per start, and ends.
#include <windows.h>

int main()
{
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"BROLT_TEST_OPENER_LOG", path, MAX_PATH))
        return 1;
    HANDLE file = INVALID_HANDLE_VALUE;
    // Another opener may be writing: retry briefly.
    for (int i = 0; i < 100 && file == INVALID_HANDLE_VALUE; i++) {
        file = CreateFileW(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t* line = GetCommandLineW();
    DWORD written;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return 0;
}
