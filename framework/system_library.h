#pragma once

#include <windows.h>

// Loads a DLL of the system's own by its full path in the system directory, so that no DLL
// of that name beside the program (in a downloads folder, say) is loaded instead, as it
// would be for a DLL outside the set Windows always takes from its own directory. Returns
// nullptr when it cannot be loaded; the caller owns the reference.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded DLL, as its own type; nullptr where the DLL or the function is missing.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
