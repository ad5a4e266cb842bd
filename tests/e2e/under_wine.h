#pragma once

#include <windows.h>

// True when the tests run under wine, the stand-in for Windows here: wine's ntdll
// exports wine_get_version, which no Windows has. The one place that tells them apart.
inline bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
