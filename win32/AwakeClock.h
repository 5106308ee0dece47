#pragma once
// Time the machine has been awake: unlike GetTickCount64 it stands still while the machine sleeps
// or hibernates, so a wait bounded by it is not used up by a night asleep.

#include "win32/Module.h"

#include <windows.h>

// Milliseconds awake since some moment; the tick count where Windows has no unbiased time (Vista).
inline ULONGLONG AwakeMilliseconds()
{
    using PFN_QueryUnbiasedInterruptTime = BOOL(WINAPI*)(PULONGLONG);
    static const auto query =
        LookUp<PFN_QueryUnbiasedInterruptTime>(::GetModuleHandleW(L"kernel32.dll"), "QueryUnbiasedInterruptTime");
    ULONGLONG hundredsOfNanoseconds = 0;
    return query && query(&hundredsOfNanoseconds) ? hundredsOfNanoseconds / 10000 : ::GetTickCount64();
}
