// A bounded message pump for tests that run on an editor's creator thread:
// serves the thread's messages until done() holds or the time is up.
#pragma once

#include <windows.h>

#include <functional>

inline bool pump_until(const std::function<bool()>& done, DWORD timeout_ms = 5000)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        DWORD waited = GetTickCount() - start;
        if (waited >= timeout_ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - waited < 10 ? timeout_ms - waited : 10,
                                  QS_ALLINPUT);
    }
}

inline void pump_for(DWORD ms)
{
    pump_until([] { return false; }, ms);
}
