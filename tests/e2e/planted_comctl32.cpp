// A hostile comctl32.dll, as a browser might save one beside a downloaded program:
// if it is ever loaded, it leaves planted.marker in its own folder.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        std::wstring folder(path, GetModuleFileNameW(self, path, MAX_PATH));
        folder.resize(folder.find_last_of(L'\\') + 1);
        HANDLE marker = CreateFileW((folder + L"planted.marker").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}

// What a program that imports comctl32 for its controls asks of it.
extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
