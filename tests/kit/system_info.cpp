// Prints what a test report needs to know of the machine it ran on: the Windows version
// and build, the ANSI and OEM code pages, the display's scale and size, the user-interface
// language, and whether it is wine. The test kit has it write system.txt.
//   system-info [FILE]   prints the report, and writes it to FILE too
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

template <typename Function>
Function Export(const wchar_t* module, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
}

// Windows 10's update revision, the last part of the version that `ver` shows.
DWORD UpdateRevision() {
    HKEY key = nullptr;
    DWORD revision = 0, size = sizeof revision;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExW(key, L"UBR", nullptr, nullptr, reinterpret_cast<BYTE*>(&revision),
                         &size) != ERROR_SUCCESS)
        revision = 0;
    RegCloseKey(key);
    return revision;
}

}  // namespace

int main(int argc, char** argv) {
    std::string report;
    auto add = [&report](const char* format, auto... values) {
        char line[256];
        std::snprintf(line, sizeof line, format, values...);
        report += line;
    };

    // The display's own scale and size, not those shown to a program unaware of scaling
    // (no such call before Vista, where nothing is scaled).
    if (auto aware = Export<BOOL(WINAPI*)()>(L"user32.dll", "SetProcessDPIAware")) aware();

    // GetVersionEx answers with the version that the program's manifest names.
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (auto get = Export<LONG(WINAPI*)(OSVERSIONINFOEXW*)>(L"ntdll.dll", "RtlGetVersion"))
        get(&version);
    add("Windows: %lu.%lu.%lu.%lu %ls\n", version.dwMajorVersion, version.dwMinorVersion,
        version.dwBuildNumber, UpdateRevision(),
        version.wProductType == VER_NT_WORKSTATION ? L"workstation" : L"server");
    if (version.szCSDVersion[0] != L'\0') add("Service pack: %ls\n", version.szCSDVersion);

    add("ANSI code page: %u\nOEM code page: %u\n", GetACP(), GetOEMCP());

    HDC screen = GetDC(nullptr);
    add("DPI: %d\nResolution: %dx%d\n", GetDeviceCaps(screen, LOGPIXELSX),
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    ReleaseDC(nullptr, screen);

    LANGID language = GetUserDefaultUILanguage();
    wchar_t name[16] = L"?", region[16] = L"?";
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, 16);
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO3166CTRYNAME, region, 16);
    add("UI language: %ls-%ls (0x%04x)\n", name, region, language);

    auto wine = Export<const char*(CDECL*)()>(L"ntdll.dll", "wine_get_version");
    add("Wine: %s\n", wine != nullptr ? wine() : "no");

    std::fputs(report.c_str(), stdout);
    // Written here, not through cmd's redirection: under wine, reading the file right after
    // the command that wrote it that way once met a sharing violation.
    if (argc > 1) std::ofstream(argv[1]) << report;
    return 0;
}
